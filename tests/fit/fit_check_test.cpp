// When a fit cannot be trusted: the condition of its bond vectors and impossible order parameters.
#include "fit/fit_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace korva {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// One N-H coupling per direction, residue i + 1 with N at (5 i, 0, 0), mapped and weighted alike.
struct fixture {
  pdbInfo pdb;
  dTab tab;
  explicit fixture(const std::vector<std::vector<double>>& dirs) {
    tvector<pdbAtom> atoms;
    for (size_t i = 0; i < dirs.size(); i++) {
      const double r = std::hypot(dirs[i][0], dirs[i][1], dirs[i][2]);
      for (int k = 0; k < 2; k++) {
        pdbAtom a{};
        a.resId = static_cast<int>(i) + 1;
        pdbStrCpy(a.atomName, k == 0 ? "N" : "H");
        a.x = static_cast<float>(5.0 * i + k * dirs[i][0] / r);
        a.y = static_cast<float>(k * dirs[i][1] / r);
        a.z = static_cast<float>(k * dirs[i][2] / r);
        atoms.push_back(a);
      }
    }
    EXPECT_EQ(buildPDB(&pdb, std::move(atoms), nullLog()), 0);
    tab.n = static_cast<int>(dirs.size());
    tab.in.resize(dirs.size());
    tab.work.resize(dirs.size());
    resetDC(tab.in.data(), tab.n);
    resetDC(tab.work.data(), tab.n);
    for (int i = 0; i < tab.n; i++) {
      dcRecord& w = tab.work[i];
      w.selected = 1;
      w.atomI = &pdb.atoms[2 * i];
      w.atomJ = &pdb.atoms[2 * i + 1];
      w.DI = -21523.0f;
      tab.in[i].D = 1.0f;
      tab.in[i].DD = 1.0f;
    }
  }
};

std::vector<std::vector<double>> cone(double degrees) {
  std::vector<std::vector<double>> d;
  const double t = degrees * M_PI / 180.0;
  for (int i = 0; i < 10; i++) {
    const double p = i * M_PI / 5.0;
    d.push_back({std::sin(t) * std::cos(p), std::sin(t) * std::sin(p), std::cos(t)});
  }
  return d;
}

// Condition numbers from numpy.linalg.svd of the unit-weight basis rows of the same directions.
TEST(FitCheck, ConditionOfTheBondVectorsDecides) {
  const double h = std::sqrt(0.5);
  const std::vector<std::vector<double>> five = {
      {0, 0, 1}, {1, 0, 0}, {h, h, 0}, {h, 0, h}, {0, h, h}};
  std::vector<std::vector<double>> six = five, planar, axial(10, {0, 0, 1});
  six.push_back({0.48, 0.64, 0.6});
  for (int i = 0; i < 10; i++)
    planar.push_back({std::cos(i * M_PI / 10), std::sin(i * M_PI / 10), 0});
  const struct {
    const char* what;
    std::vector<std::vector<double>> dirs;
    int mode;
    double condition;
    bool ok;
    const char* message;  // "" for an empty log
  } cases[] = {
      {"six spread", six, kTensorSVD, 3.7692874, true, ""},
      {"five", five, kTensorNoFixed, 3.5202807, true, "5 couplings fit the 5 order-matrix"},
      {"cone of 10 degrees", cone(10), kTensorSVD, 89.557725, true, ""},
      {"cone of 1 degree", cone(1), kTensorSVD, 9281.8788, true,
       "poorly (condition number 9.28e+03"},
      {"one axis", axial, kTensorSVD, kInf, false, "undetermined (condition number inf); no fit."},
      {"one plane", planar, kTensorNoFixed, kInf, false, "undetermined"},
      {"one plane, angles only", planar, kTensorDaDr, kInf, true, "poorly"},
      {"nothing fitted", axial, kTensorFixed, 0.0, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fixture f(c.dirs);
    TextLog log;
    double condition = -1.0;
    const Status st = checkFitDesign(f.tab, c.mode, &condition, log);
    EXPECT_EQ(st.ok(), c.ok);
    if (std::isinf(c.condition)) {
      EXPECT_GT(condition, 1e6);  // rounding of the coordinates may leave it finite
    } else {
      EXPECT_NEAR(condition, c.condition, 0.02 * c.condition);
    }
    const std::string text = log.text() + st.message();
    if (c.message[0] == '\0') {
      EXPECT_EQ(text, "");
    }
    EXPECT_NE(text.find(c.message), std::string::npos) << text;
  }
}

// Order parameters of any distribution lie in [-0.5, 1]: perfect alignment along z is the edge.
TEST(FitCheck, ImpossibleOrderParametersAreWarned) {
  const struct {
    float saupe[5];
    const char* eigenvalue;  // the one named, or "" for no warning
  } cases[] = {
      {{1.0f, 0, 0, 0, 0}, ""},       {{1e-3f, 4e-4f, -2e-4f, 1e-4f, 3e-4f}, ""},
      {{-4.5f, 0, 0, 0, 0}, "-4.5,"},  // eigenvalues 2.25, 2.25, -4.5
      {{1.2f, 0, 0, 0, 0}, "1.2,"},    // -0.6, -0.6, 1.2: 1.2 lies further out
      {{0, 0, 0.8f, 0, 0}, "-0.8,"},   // Sxy alone: 0.8, -0.8, 0
  };
  for (const auto& c : cases) {
    dTensor t;
    dTensorNull(&t);
    for (int k = 0; k < 5; k++) t.saupe[k] = c.saupe[k];
    TextLog log;
    checkOrderMatrix(t, log);
    if (c.eigenvalue[0] == '\0') {
      EXPECT_EQ(log.text(), "") << c.saupe[0];
    } else {
      EXPECT_NE(log.text().find(std::string("eigenvalue ") + c.eigenvalue), std::string::npos)
          << log.text();
    }
  }
}

}  // namespace
}  // namespace korva
