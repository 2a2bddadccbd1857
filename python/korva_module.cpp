// The compiled part of the Python module: the library's values and functions as Python classes
// and functions. Arrays come out as NumPy arrays (copies), errors as korva.Error with the
// program's message, and the interpreter lock is released while a computation runs, so threads
// of one process may compute at once.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "korva/korva.h"
#include "korva/models.h"

namespace py = pybind11;

// The BLAS error handlers, in place of the reference BLAS's own, which print and end the process
// (and cannot be linked into a shared object). The library checks its BLAS arguments before each
// call, so these are never reached; a Python session must not end on one if they were.
extern "C" {
void cblas_xerbla(int, const char*, const char*, ...) {}
int xerbla_(const char*, const int*, int) {
  return 0;
}
}

namespace korva {
namespace {

using release = py::call_guard<py::gil_scoped_release>;

template <size_t N>
py::array_t<double> array1(const std::array<double, N>& a) {
  return py::array_t<double>(static_cast<py::ssize_t>(N), a.data());
}

template <size_t R, size_t C>
py::array_t<double> array2(const std::array<std::array<double, C>, R>& a) {
  py::array_t<double> out({static_cast<py::ssize_t>(R), static_cast<py::ssize_t>(C)});
  auto v = out.mutable_unchecked<2>();
  for (size_t i = 0; i < R; i++) {
    for (size_t k = 0; k < C; k++) v(i, k) = a[i][k];
  }
  return out;
}

py::array_t<double> rows3(const std::vector<std::array<double, 3>>& rows) {
  py::array_t<double> out({static_cast<py::ssize_t>(rows.size()), py::ssize_t{3}});
  auto v = out.mutable_unchecked<2>();
  for (size_t i = 0; i < rows.size(); i++) {
    for (size_t k = 0; k < 3; k++) v(i, k) = rows[i][k];
  }
  return out;
}

template <size_t N>
std::array<double, N> fromArray(
    const py::array_t<double, py::array::c_style | py::array::forcecast>& a, const char* what) {
  if (a.ndim() != 1 || a.shape(0) != static_cast<py::ssize_t>(N)) {
    throw py::value_error(std::string(what) + " needs " + std::to_string(N) + " numbers");
  }
  std::array<double, N> out;
  for (size_t k = 0; k < N; k++) out[k] = a.at(static_cast<py::ssize_t>(k));
  return out;
}

// One column of the listed couplings.
template <typename F>
py::array_t<double> column(const std::vector<PredictedCoupling>& rows, F value) {
  py::array_t<double> out(static_cast<py::ssize_t>(rows.size()));
  auto v = out.mutable_unchecked<1>();
  for (size_t i = 0; i < rows.size(); i++) v(static_cast<py::ssize_t>(i)) = value(rows[i]);
  return out;
}

// The structure with the coordinates of xyz (n x 3, Angstrom), atom for atom.
Structure withCoordinates(
    const Structure& s, const py::array_t<float, py::array::c_style | py::array::forcecast>& xyz) {
  std::vector<Atom> atoms = s.atoms();
  if (xyz.ndim() != 2 || xyz.shape(1) != 3 ||
      xyz.shape(0) != static_cast<py::ssize_t>(atoms.size())) {
    throw py::value_error("coordinates need the shape (" + std::to_string(atoms.size()) + ", 3)");
  }
  auto v = xyz.unchecked<2>();
  for (size_t i = 0; i < atoms.size(); i++) {
    const auto r = static_cast<py::ssize_t>(i);
    atoms[i].x = v(r, 0);
    atoms[i].y = v(r, 1);
    atoms[i].z = v(r, 2);
  }
  py::gil_scoped_release unlocked;
  return makeStructure(atoms);
}

py::array_t<float> coordinatesOf(const Structure& s) {
  const std::vector<Atom> atoms = s.atoms();
  py::array_t<float> out({static_cast<py::ssize_t>(atoms.size()), py::ssize_t{3}});
  auto v = out.mutable_unchecked<2>();
  for (size_t i = 0; i < atoms.size(); i++) {
    const auto r = static_cast<py::ssize_t>(i);
    v(r, 0) = atoms[i].x;
    v(r, 1) = atoms[i].y;
    v(r, 2) = atoms[i].z;
  }
  return out;
}

Result predictFreeArray(const py::array_t<double, py::array::c_style | py::array::forcecast>& xyz,
                        const StericOptions& options) {
  if (xyz.ndim() != 2 || xyz.shape(1) != 3) {
    throw py::value_error("coordinates need the shape (n, 3)");
  }
  std::vector<std::array<double, 3>> points(static_cast<size_t>(xyz.shape(0)));
  auto v = xyz.unchecked<2>();
  for (size_t i = 0; i < points.size(); i++) {
    const auto r = static_cast<py::ssize_t>(i);
    points[i] = {v(r, 0), v(r, 1), v(r, 2)};
  }
  py::gil_scoped_release unlocked;
  return predictFree(points, options);
}

py::array_t<double> axesOf(const ErrorMap& m) {
  py::array_t<double> out(
      {static_cast<py::ssize_t>(m.axes.size()), py::ssize_t{3}, py::ssize_t{3}});
  auto v = out.mutable_unchecked<3>();
  for (size_t s = 0; s < m.axes.size(); s++) {
    for (size_t i = 0; i < 3; i++) {
      for (size_t k = 0; k < 3; k++) v(s, i, k) = m.axes[s][i][k];
    }
  }
  return out;
}

// The observed, predicted and DI columns of a value's listed couplings, as arrays.
template <typename T>
void addCouplingColumns(py::class_<T>& cls) {
  cls.def_property_readonly(
         "observed",
         [](const T& r) {
           return column(r.couplings, [](const PredictedCoupling& p) { return p.coupling.D; });
         })
      .def_property_readonly(
          "predicted",
          [](const T& r) {
            return column(r.couplings, [](const PredictedCoupling& p) { return p.predicted; });
          })
      .def_property_readonly("DI", [](const T& r) {
        return column(r.couplings, [](const PredictedCoupling& p) { return p.DI; });
      });
}

void bindValues(py::module_& m) {
  py::class_<Atom>(m, "Atom", "One atom: names, residue and coordinates (Angstrom).")
      .def(py::init<>())
      .def_readwrite("serial", &Atom::serial)
      .def_readwrite("name", &Atom::name)
      .def_readwrite("alt_loc", &Atom::altLoc)
      .def_readwrite("residue_name", &Atom::resName)
      .def_readwrite("chain", &Atom::chain)
      .def_readwrite("residue", &Atom::resSeq)
      .def_readwrite("insertion_code", &Atom::iCode)
      .def_readwrite("segment", &Atom::segment)
      .def_readwrite("element", &Atom::element)
      .def_readwrite("x", &Atom::x)
      .def_readwrite("y", &Atom::y)
      .def_readwrite("z", &Atom::z)
      .def_readwrite("occupancy", &Atom::occupancy)
      .def_readwrite("b_factor", &Atom::bFactor);

  py::class_<Structure>(m, "Structure", "A structure; copies share its atoms, which never change.")
      .def_property_readonly("atom_count", &Structure::atomCount)
      .def_property_readonly("model_count", &Structure::modelCount,
                             "Models held apart (an ensemble); the atoms are the first model's.")
      .def_property_readonly("first_residue", &Structure::firstResidue)
      .def_property_readonly("last_residue", &Structure::lastResidue)
      .def("atoms", &Structure::atoms, "The atoms in file order.")
      .def_property_readonly("coordinates", &coordinatesOf, "Atom coordinates, (n, 3) float32.")
      .def("with_coordinates", &withCoordinates, py::arg("coordinates"),
           "The same atoms at other coordinates ((n, 3), Angstrom).")
      .def("__len__", &Structure::atomCount);

  py::class_<Coupling>(m, "Coupling", "One dipolar coupling between atoms I and J, in Hz.")
      .def(py::init<>())
      .def_readwrite("res_i", &Coupling::resI)
      .def_readwrite("resname_i", &Coupling::resNameI)
      .def_readwrite("atom_i", &Coupling::atomNameI)
      .def_readwrite("chain_i", &Coupling::chainI)
      .def_readwrite("seg_i", &Coupling::segI)
      .def_readwrite("res_j", &Coupling::resJ)
      .def_readwrite("resname_j", &Coupling::resNameJ)
      .def_readwrite("atom_j", &Coupling::atomNameJ)
      .def_readwrite("chain_j", &Coupling::chainJ)
      .def_readwrite("seg_j", &Coupling::segJ)
      .def_readwrite("D", &Coupling::D)
      .def_readwrite("DD", &Coupling::DD)
      .def_readwrite("W", &Coupling::W)
      .def_readwrite("index", &Coupling::index)
      .def("__repr__", [](const Coupling& c) {
        return "<Coupling " + std::to_string(c.resI) + " " + c.atomNameI + " - " +
               std::to_string(c.resJ) + " " + c.atomNameJ + ": " + std::to_string(c.D) + " Hz>";
      });

  py::class_<Tensor>(m, "Tensor", "An alignment tensor with its analysis.")
      .def_property_readonly(
          "saupe", [](const Tensor& t) { return array1(t.saupe); },
          "Szz, Sxx-Syy, Sxy, Sxz, Syz, as the report prints them.")
      .def_property_readonly("saupe_error", [](const Tensor& t) { return array1(t.saupeError); })
      .def_property_readonly(
          "eigenvalues", [](const Tensor& t) { return array1(t.eigenvalues); },
          "Azz, Ayy, Axx (descending magnitude).")
      .def_property_readonly(
          "eigenvectors", [](const Tensor& t) { return array2(t.eigenvectors); },
          "Rows: the z, y and x principal axes.")
      .def_readonly("da", &Tensor::da, "Azz/2 of the eigenvalues.")
      .def_readonly("dr", &Tensor::dr, "(Axx - Ayy)/3 of the eigenvalues.")
      .def_property_readonly(
          "irreducible", [](const Tensor& t) { return array1(t.irreducible); },
          "A0, A1R, A1I, A2R, A2I, Hz.")
      .def_readonly("general_magnitude", &Tensor::generalMagnitude)
      .def_property_readonly(
          "frames", [](const Tensor& t) { return array2(t.frames); },
          "The four equivalent z-y'-z'' frames (alpha, beta, gamma), degrees.")
      .def_readonly("fit_da", &Tensor::fitDa, "Da as the report's angle block lists it.")
      .def_readonly("fit_dr", &Tensor::fitDr)
      .def_property_readonly(
          "angles", [](const Tensor& t) { return rows3(t.angleSolutions); },
          "The x-y-z angle solutions (psi, theta, phi), degrees.");

  py::class_<Statistics>(m, "Statistics", "Agreement of predicted with observed couplings.")
      .def_readonly("n", &Statistics::n)
      .def_readonly("rms", &Statistics::rms)
      .def_readonly("chi2", &Statistics::chi2)
      .def_readonly("r", &Statistics::r)
      .def_readonly("q", &Statistics::q)
      .def_readonly("offset", &Statistics::offset)
      .def_readonly("offset_error", &Statistics::offsetError)
      .def_readonly("slope", &Statistics::slope)
      .def_readonly("slope_error", &Statistics::slopeError)
      .def_readonly("keb_slope", &Statistics::kebSlope)
      .def_readonly("keb_slope_error", &Statistics::kebSlopeError);

  py::class_<PredictedCoupling>(m, "PredictedCoupling", "A coupling with its prediction, Hz.")
      .def_readonly("coupling", &PredictedCoupling::coupling)
      .def_readonly("DI", &PredictedCoupling::DI)
      .def_readonly("predicted", &PredictedCoupling::predicted)
      .def_readonly("error", &PredictedCoupling::error);

  py::class_<Result> result(m, "Result", "What a prediction or a fit gives.");
  result.def_readonly("tensor", &Result::tensor)
      .def_property_readonly("saupe", [](const Result& r) { return array1(r.tensor.saupe); })
      .def_readonly("couplings", &Result::couplings, "The couplings listed in the report.")
      .def_readonly("statistics", &Result::statistics)
      .def_readonly("simulated_atoms", &Result::simulatedAtoms)
      .def_readonly("surface_potential", &Result::surfacePotential,
                    "Charged medium: the potential simulated (or fitted), kT/e.")
      .def_readonly("electrostatic_fraction", &Result::electrostaticFraction,
                    "Charged medium: the share of the weights that the charges add.")
      .def_readonly("messages", &Result::messages);
  addCouplingColumns(result);

  py::class_<ErrorMap>(m, "ErrorMap", "The fit repeated on perturbed couplings.")
      .def_readonly("mean", &ErrorMap::mean)
      .def_readonly("steps", &ErrorMap::steps)
      .def_property_readonly("general_magnitude",
                             [](const ErrorMap& e) { return array1(e.generalMagnitude); })
      .def_property_readonly("azz", [](const ErrorMap& e) { return array1(e.azz); })
      .def_property_readonly("saupe_mean", [](const ErrorMap& e) { return array1(e.saupeMean); })
      .def_property_readonly("saupe_deviation",
                             [](const ErrorMap& e) { return array1(e.saupeDeviation); })
      .def_property_readonly("axes", &axesOf,
                             "(steps, 3, 3): the z, y and x principal axes of each counted step.");

  py::class_<TensorComparison>(m, "TensorComparison", "Two tensors combined and compared.")
      .def_readonly("result", &TensorComparison::result)
      .def_property_readonly("axis_angles",
                             [](const TensorComparison& c) { return array1(c.axisAngles); })
      .def_readonly("collinearity", &TensorComparison::collinearity)
      .def_readonly("angle_5d", &TensorComparison::angle5d);

  py::class_<CouplingComparison> cc(m, "CouplingComparison", "Two coupling sets combined.");
  cc.def_readonly("couplings", &CouplingComparison::couplings)
      .def_readonly("statistics", &CouplingComparison::statistics);
  addCouplingColumns(cc);
}

void bindOptions(py::module_& m) {
  py::enum_<Medium>(m, "Medium").value("wall", Medium::wall).value("rod", Medium::rod);
  py::enum_<FitMethod>(m, "FitMethod")
      .value("svd", FitMethod::svd)
      .value("nofixed", FitMethod::nofixed)
      .value("dadr", FitMethod::dadr)
      .value("fixed", FitMethod::fixed)
      .value("saupe", FitMethod::saupe);
  py::enum_<Action>(m, "Action")
      .value("add", Action::add)
      .value("sub", Action::sub)
      .value("mul", Action::mul)
      .value("div", Action::div)
      .value("max", Action::max);

  py::class_<AtomSelection>(m, "AtomSelection")
      .def(py::init<>())
      .def_readwrite("first", &AtomSelection::first)
      .def_readwrite("last", &AtomSelection::last)
      .def_readwrite("range_test", &AtomSelection::rangeTest)
      .def_readwrite("residues", &AtomSelection::residues)
      .def_readwrite("atoms", &AtomSelection::atoms)
      .def_readwrite("chains", &AtomSelection::chains)
      .def_readwrite("segments", &AtomSelection::segments)
      .def_readwrite("match", &AtomSelection::match)
      .def_readwrite("residues_match", &AtomSelection::residuesMatch)
      .def_readwrite("atoms_match", &AtomSelection::atomsMatch)
      .def_readwrite("chains_match", &AtomSelection::chainsMatch)
      .def_readwrite("segments_match", &AtomSelection::segmentsMatch);

  py::class_<Charge>(m, "Charge", "One point charge on an atom: residue, atom, chain, e.")
      .def(py::init<>())
      .def_readwrite("residue", &Charge::residue)
      .def_readwrite("atom", &Charge::atom)
      .def_readwrite("chain", &Charge::chain)
      .def_readwrite("charge", &Charge::charge);

  py::class_<StericOptions>(m, "StericOptions")
      .def(py::init<>())
      .def_readwrite("medium", &StericOptions::medium)
      .def_readwrite("concentration", &StericOptions::concentration)
      .def_readwrite("order", &StericOptions::order)
      .def_readwrite("model_radius", &StericOptions::modelRadius)
      .def_readwrite("atom_radius", &StericOptions::atomRadius)
      .def_readwrite("grid_spacing", &StericOptions::gridSpacing)
      .def_readwrite("orientations", &StericOptions::orientations)
      .def_readwrite("psi_steps", &StericOptions::psiSteps)
      .def_readwrite("surface", &StericOptions::surface)
      .def_readwrite("hydrogens", &StericOptions::hydrogens)
      .def_readwrite("surface_potential", &StericOptions::surfacePotential)
      .def_readwrite("debye_length", &StericOptions::debyeLength)
      .def_readwrite("fit_potential", &StericOptions::fitPotential)
      .def_readwrite("charges", &StericOptions::charges)
      .def_readwrite("selection", &StericOptions::selection);

  py::class_<CouplingSelection>(m, "CouplingSelection")
      .def(py::init<>())
      .def_readwrite("first", &CouplingSelection::first)
      .def_readwrite("last", &CouplingSelection::last)
      .def_readwrite("pdb_first", &CouplingSelection::pdbFirst)
      .def_readwrite("range_mode", &CouplingSelection::rangeMode)
      .def_readwrite("atom_i", &CouplingSelection::atomI)
      .def_readwrite("atom_j", &CouplingSelection::atomJ)
      .def_readwrite("weights", &CouplingSelection::weights);

  py::class_<FitOptions>(m, "FitOptions")
      .def(py::init<>())
      .def_readwrite("method", &FitOptions::method)
      .def_readwrite("da", &FitOptions::da)
      .def_readwrite("dr", &FitOptions::dr)
      .def_readwrite("da_min", &FitOptions::daMin)
      .def_readwrite("da_max", &FitOptions::daMax)
      .def_readwrite("dr_min", &FitOptions::drMin)
      .def_readwrite("dr_max", &FitOptions::drMax)
      .def_readwrite("psi", &FitOptions::psi)
      .def_readwrite("theta", &FitOptions::theta)
      .def_readwrite("phi", &FitOptions::phi)
      .def_readwrite("psi_min", &FitOptions::psiMin)
      .def_readwrite("psi_max", &FitOptions::psiMax)
      .def_readwrite("theta_min", &FitOptions::thetaMin)
      .def_readwrite("theta_max", &FitOptions::thetaMax)
      .def_readwrite("phi_min", &FitOptions::phiMin)
      .def_readwrite("phi_max", &FitOptions::phiMax)
      .def_property(
          "saupe", [](const FitOptions& o) { return array1(o.saupe); },
          [](FitOptions& o,
             const py::array_t<double, py::array::c_style | py::array::forcecast>& a) {
            o.saupe = fromArray<5>(a, "saupe");
          });
}

void bindFunctions(py::module_& m) {
  m.def(
      "read_structure",
      [](const std::string& path, int model) { return readStructure(path, model); },
      py::arg("path"), py::arg("model"), release());
  m.def("read_models", &readModels, py::arg("path"), release());
  m.def("make_structure", &makeStructure, py::arg("atoms"), release());
  m.def(
      "read_free_coordinates",
      [](const std::string& path) {
        std::vector<std::array<double, 3>> xyz;
        {
          py::gil_scoped_release unlocked;
          xyz = readFreeCoordinates(path);
        }
        return rows3(xyz);
      },
      py::arg("path"));
  m.def(
      "read_couplings",
      [](const std::string& path, const std::string& list) { return readCouplings(path, list); },
      py::arg("path"), py::arg("list"), release());
  m.def("predict", &predict, py::arg("structure"), py::arg("couplings"), py::arg("options"),
        py::arg("selection"), release());
  m.def("predict_free", &predictFreeArray, py::arg("coordinates"), py::arg("options"));
  m.def("fit", &fit, py::arg("structure"), py::arg("couplings"), py::arg("options"),
        py::arg("selection"), release());
  m.def("error_map", &errorMap, py::arg("structure"), py::arg("couplings"), py::arg("steps"),
        py::arg("options"), py::arg("selection"), release());
  m.def(
      "analyze",
      [](const py::array_t<double, py::array::c_style | py::array::forcecast>& s) {
        const std::array<double, 5> saupe = fromArray<5>(s, "saupe");
        py::gil_scoped_release unlocked;
        return analyze(saupe);
      },
      py::arg("saupe"));
  m.def(
      "compare_tensors",
      [](const py::array_t<double, py::array::c_style | py::array::forcecast>& s1,
         const py::array_t<double, py::array::c_style | py::array::forcecast>& s2, Action action,
         double c1, double c2) {
        const std::array<double, 5> a = fromArray<5>(s1, "s1"), b = fromArray<5>(s2, "s2");
        py::gil_scoped_release unlocked;
        return compareTensors(a, b, action, c1, c2);
      },
      py::arg("s1"), py::arg("s2"), py::arg("action"), py::arg("c1"), py::arg("c2"));
  m.def("compare_couplings", &compareCouplings, py::arg("first"), py::arg("second"),
        py::arg("action"), py::arg("c1"), py::arg("c2"), py::arg("selection"), release());
  m.def("version", &version);
}

}  // namespace
}  // namespace korva

PYBIND11_MODULE(_korva, m) {
  m.doc() = "The compiled KORVA library; use the functions of the korva package.";
  static py::exception<korva::error> error(m, "Error", PyExc_ValueError);
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const korva::error& e) {
      std::string text = e.what();
      while (!text.empty() && text.back() == '\n') text.pop_back();
      py::object instance = py::handle(error.ptr())(text);
      instance.attr("code") = e.code();
      PyErr_SetObject(error.ptr(), instance.ptr());
    }
  });
  korva::bindValues(m);
  korva::bindOptions(m);
  korva::bindFunctions(m);
}
