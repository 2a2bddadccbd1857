// The KORVA library: steric alignment prediction and alignment-tensor fitting on plain values.
//
// Every function here takes its inputs as values (a structure, couplings, options) and returns a
// result value; none prints, none exits, and none keeps state between calls, so computations on
// different inputs may run in different threads at once. Bad input is reported by throwing
// korva::error with the program's own message lines.
#pragma once

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace korva {

// A failure of the library: the message holds the complete lines the command line would print.
class error : public std::runtime_error {
 public:
  error(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  // The exit status the command line gives this failure.
  int code() const { return code_; }

 private:
  int code_;
};

// One atom as read from a coordinate file. Coordinates in Angstrom.
struct Atom {
  int serial = 0;
  std::string name;     // as in the file, inner blanks removed ("HB2")
  std::string altLoc;   // alternate location
  std::string resName;  // residue name
  std::string chain;
  int resSeq = 0;     // residue number
  std::string iCode;  // insertion code
  std::string segment;
  std::string element;
  float x = 0.0f, y = 0.0f, z = 0.0f;
  float occupancy = 0.0f, bFactor = 0.0f;
};

// A structure, read once and shared by any number of computations (copies share the data).
class Structure {
 public:
  Structure();
  ~Structure();
  Structure(const Structure&);
  Structure& operator=(const Structure&);

  int atomCount() const;
  int firstResidue() const;
  int lastResidue() const;
  // Models held apart (an NMR ensemble); the other counts and atoms() are the first model's.
  int modelCount() const;
  // The atoms in file order.
  std::vector<Atom> atoms() const;

  struct data;
  explicit Structure(std::shared_ptr<const data> d);
  const data& get() const { return *d_; }

 private:
  std::shared_ptr<const data> d_;
};

// Reads the ATOM records of a PDB file, or the atom table of an mmCIF file (a name ending in
// .cif or .mmcif, optionally .gz), model by model: model N > 0 keeps only the N-th model, 0 all
// of them (an ensemble: predict and fit then average over the models).
Structure readStructure(const std::string& path, int model = 0);
// A structure made of the given atoms, as if they had been read in that order.
Structure makeStructure(const std::vector<Atom>& atoms);

// One dipolar coupling between atom I and atom J, as in a coupling table.
struct Coupling {
  int resI = 0;
  std::string resNameI, atomNameI, chainI, segI;
  int resJ = 0;
  std::string resNameJ, atomNameJ, chainJ, segJ;
  float D = 0.0f;   // observed coupling, Hz
  float DD = 1.0f;  // its error, Hz
  float W = 1.0f;   // weight
  int index = 0;    // INDEX column, or the 1-based row number
};

// Reads a coupling table, or a NEF, NMR-STAR or Xplor-NIH restraint file (told apart by content;
// list names the list to take, empty: the first) ("None" or an empty name: no couplings).
std::vector<Coupling> readCouplings(const std::string& path, const std::string& list = "");

// Which couplings take part, as the command line's -s1, -sN, -a1, -excl/-inc, -aD1, -aD2 and -w
// choose them. The defaults take every coupling.
struct CouplingSelection {
  int first = -999999;  // first and last residue of the segment; unset: the table's own ends
  int last = -999999;
  int pdbFirst = -999999;  // residue of the structure that matches first; unset: first
  int rangeMode = 3;       // 1 exclusive, 2 inclusive, 3 inclusive with the larger residue
  std::string atomI = "All", atomJ = "All";
  std::vector<float> weights;  // per residue of the segment
};

// Atom selection, as the command line's selection options choose it. The defaults take every
// atom.
struct AtomSelection {
  int first = 0, last = 0;  // residue range; 0..0 is the whole structure
  bool rangeTest = true;
  std::string residues = "*", atoms = "*", chains = "*", segments = "*";
  int match = 1;  // 1 exact, 2 regular expression, 3 glob
  // The matching of one list where it differs from match (-rGlob, -aRegex, ...); 0: match.
  int residuesMatch = 0, atomsMatch = 0, chainsMatch = 0, segmentsMatch = 0;
};

enum class Medium { wall, rod };

// One point charge on an atom of the structure, as a row of a charge file gives it.
struct Charge {
  int residue = 0;
  std::string atom;
  std::string chain;    // empty: the structure's first chain
  double charge = 0.0;  // e
};

// Parameters of the steric simulation; the defaults are the command line's.
struct StericOptions {
  Medium medium = Medium::wall;  // wall: bicelles; rod: filamentous phage
  float concentration = 0.05f;   // -wv
  float order = 0.8f;            // -lcS, order of the liquid crystal
  float modelRadius = -1.0f;     // -rM; below 0: 20 A for the wall, 33.5 A for the rod
  float atomRadius = 0.0f;       // -rA
  float gridSpacing = 0.2f;      // -dGrid
  int orientations = 100;        // -dot
  int psiSteps = 18;             // -digPsi
  bool surface = true;           // only the surface-accessible atoms (-surf/-nosurf)
  bool hydrogens = false;        // keep hydrogens (-H)
  AtomSelection selection;
  // The charged medium: each orientation and position weighed by the Boltzmann factor of the
  // molecule's charges in the screened potential of the obstacle.
  double surfacePotential = 0.0;  // -surfPot, kT/e; 0: steric alone
  double debyeLength = 10.0;      // -debye, A
  bool fitPotential = false;      // -fitPot: the potential of the largest R, -10 to 10 kT/e
  std::vector<Charge> charges;    // -charges; empty: the ionised groups at pH ~6.5
};

// An alignment tensor with its analysis.
struct Tensor {
  std::array<double, 5> saupe{};  // Szz, Sxx-Syy, Sxy, Sxz, Syz, as the report prints them
  std::array<double, 5> saupeError{};
  std::array<double, 3> eigenvalues{};                  // Azz, Ayy, Axx (descending magnitude)
  std::array<std::array<double, 3>, 3> eigenvectors{};  // rows: the z, y and x principal axes
  double da = 0.0, dr = 0.0;            // of the eigenvalues: Azz/2 and (Axx - Ayy)/3
  std::array<double, 5> irreducible{};  // A0, A1R, A1I, A2R, A2I, Hz
  double generalMagnitude = 0.0;        // Hz
  // The four equivalent principal frames as z-y'-z'' Euler angles (alpha, beta, gamma), degrees.
  std::array<std::array<double, 3>, 4> frames{};
  // Da, Dr and the x-y-z angle solutions (psi, theta, phi, degrees) as the report lists them.
  double fitDa = 0.0, fitDr = 0.0;
  std::vector<std::array<double, 3>> angleSolutions;
};

// Agreement of predicted with observed couplings, as the report prints it.
struct Statistics {
  int n = 0;
  double rms = 0, chi2 = 0, r = 0, q = 0;
  double offset = 0, offsetError = 0, slope = 0, slopeError = 0, kebSlope = 0, kebSlopeError = 0;
};

// A coupling with its prediction; listed as in the report.
struct PredictedCoupling {
  Coupling coupling;
  float DI = 0.0f;         // maximal coupling of the pair, Hz
  float predicted = 0.0f;  // Hz
  float error = 0.0f;      // uncertainty of the prediction, Hz
};

// What a steric prediction or a fit gives.
struct Result {
  Tensor tensor;
  std::vector<PredictedCoupling> couplings;  // those listed in the report
  Statistics statistics;
  int simulatedAtoms = 0;  // steric prediction only
  // Charged medium only: the potential simulated (the fitted one with fitPotential), kT/e, and
  // the electrostatic fraction of the weights; near 1 the magnitude is not reliable, and the
  // couplings are predicted from the tensor's direction at the scale that fits them best.
  double surfacePotential = 0.0;
  double electrostaticFraction = 0.0;
  std::string messages;  // warning lines the computation gave
};

// Steric prediction from a structure; the couplings (may be empty) are predicted from it.
Result predict(const Structure& structure, const std::vector<Coupling>& couplings,
               const StericOptions& options = {}, const CouplingSelection& selection = {});
// Steric prediction from bare coordinates (every atom of radius 1.7 A; only the surface atoms
// take part, as in the free-format mode).
Result predictFree(const std::vector<std::array<double, 3>>& coordinates,
                   const StericOptions& options = {});

enum class FitMethod { svd, nofixed, dadr, fixed, saupe };

// The tensor fit; start values and bounds as the command line's options.
struct FitOptions {
  FitMethod method = FitMethod::svd;
  double da = 1.0e-3, dr = 1.0e-4;  // start (or held) magnitude and rhombicity
  double daMin = -1.0e-2, daMax = 1.0e-2, drMin = -1.0e-2, drMax = 1.0e-2;
  double psi = 45.0, theta = 45.0, phi = 45.0;  // start angles, degrees
  double psiMin = -360.0, psiMax = 360.0, thetaMin = -360.0, thetaMax = 360.0;
  double phiMin = -360.0, phiMax = 360.0;
  std::array<double, 5> saupe{};  // the given tensor of FitMethod::saupe
};

Result fit(const Structure& structure, const std::vector<Coupling>& couplings,
           const FitOptions& options = {}, const CouplingSelection& selection = {});

// Error-space mapping: the fit repeated on couplings perturbed by half their errors.
struct ErrorMap {
  Result mean;  // the mean tensor and the mean predictions (error: their deviation)
  int steps = 0;
  std::array<double, 2> generalMagnitude{};  // mean and deviation, Hz
  std::array<double, 2> azz{};
  std::array<double, 5> saupeMean{}, saupeDeviation{};
  // Principal axes of every counted step: rows z, y, x as unit vectors.
  std::vector<std::array<std::array<double, 3>, 3>> axes;
};
ErrorMap errorMap(const Structure& structure, const std::vector<Coupling>& couplings, int steps,
                  const FitOptions& options = {}, const CouplingSelection& selection = {});

// The analysis of a Saupe vector.
Tensor analyze(const std::array<double, 5>& saupe);

enum class Action { add = 1, sub = 2, mul = 3, div = 4, max = 5 };

// Two tensors combined and compared, as the -anA mode does.
struct TensorComparison {
  Tensor result;
  std::array<double, 3> axisAngles{};  // degrees between the x, y and z axes of the inputs
  double collinearity = 0.0;           // cosine in the five-dimensional space
  double angle5d = 0.0;                // degrees
};
TensorComparison compareTensors(const std::array<double, 5>& s1, const std::array<double, 5>& s2,
                                Action action = Action::sub, double c1 = 1.0, double c2 = 1.0);

// Two coupling sets combined, as the -anDC mode does: each coupling of the first is paired with
// the identical coupling of the second.
struct CouplingComparison {
  std::vector<PredictedCoupling> couplings;  // predicted: the combined value
  Statistics statistics;
};
CouplingComparison compareCouplings(const std::vector<Coupling>& first,
                                    const std::vector<Coupling>& second,
                                    Action action = Action::add, double c1 = 0.0, double c2 = 1.0,
                                    const CouplingSelection& selection = {});

// The program's version.
const char* version();

}  // namespace korva
