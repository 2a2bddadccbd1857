// Tensor record defaults and the tensor options of the command line.
#include <cstdio>
#include <cstring>

#include "core/args.h"
#include "tensor/tensor.h"

namespace korva {

int dTensorNull(dTensor* t) {
  std::memset(t, 0, sizeof(*t));
  t->da = 1.0e-3f;
  t->daMin = -1.0e-2f;
  t->daMax = 1.0e-2f;
  t->dr = 1.0e-4f;
  t->drMin = -1.0e-2f;
  t->drMax = 1.0e-2f;
  t->psi = t->theta = t->phi = 45.0f;
  t->psiMin = t->thetaMin = t->phiMin = -360.0f;
  t->psiMax = t->thetaMax = t->phiMax = 360.0f;
  t->eulerFlag = 1;
  t->nEuler = 0;
  t->tensorMode = kTensorSVD;
  return 0;
}

int getDCTensorParams(int argc, char** argv, dTensor* t) {
  if (t == nullptr) return 0;
  dTensorNull(t);

  const struct {
    const char* name;
    int mode;
  } modes[] = {{"-svd", kTensorSVD},     {"-saupe", kTensorSaupe},     {"-align", kTensorSaupe},
               {"-fixed", kTensorFixed}, {"-nofixed", kTensorNoFixed}, {"-dadr", kTensorDaDr}};
  for (const auto& m : modes) {
    if (flagLoc(argc, argv, m.name)) t->tensorMode = m.mode;
  }
  if (flagLoc(argc, argv, "-euler")) t->eulerFlag = 1;
  if (flagLoc(argc, argv, "-noeuler")) t->eulerFlag = 0;

  int given = fltArgD(argc, argv, "-da", &t->da);
  given |= fltArgD(argc, argv, "-dr", &t->dr);
  if (given && t->tensorMode == kTensorSVD) t->tensorMode = kTensorDaDr;
  if (t->tensorMode == kTensorDaDr || t->tensorMode == kTensorFixed) {
    t->daMin = t->daMax = t->da;
    t->drMin = t->drMax = t->dr;
  }

  fltArgD(argc, argv, "-daMin", &t->daMin);
  fltArgD(argc, argv, "-daMax", &t->daMax);
  fltArgD(argc, argv, "-drMin", &t->drMin);
  fltArgD(argc, argv, "-drMax", &t->drMax);
  fltArgD(argc, argv, "-psi", &t->psi);
  fltArgD(argc, argv, "-theta", &t->theta);
  fltArgD(argc, argv, "-phi", &t->phi);

  if (t->tensorMode == kTensorFixed) {
    t->psiMin = t->psiMax = t->psi;
    t->thetaMin = t->thetaMax = t->theta;
    t->phiMin = t->phiMax = t->phi;
  }

  fltArgD(argc, argv, "-psiMin", &t->psiMin);
  fltArgD(argc, argv, "-psiMax", &t->psiMax);
  fltArgD(argc, argv, "-thetaMin", &t->thetaMin);
  fltArgD(argc, argv, "-thetaMax", &t->thetaMax);
  fltArgD(argc, argv, "-phiMin", &t->phiMin);
  fltArgD(argc, argv, "-phiMax", &t->phiMax);

  int pos = flagLoc(argc, argv, "-saupe");
  if (pos == 0) pos = flagLoc(argc, argv, "-align");
  if (pos != 0) {
    double values[5];
    int status = fixedListArg(argc, argv, pos, 5, values);
    if (status == 1) std::fprintf(stderr, "VANTRO Error: -saupe option requires 5 values.\n");
    if (status != 0) return 1;
    for (int k = 0; k < 5; k++) t->saupeIn[k] = static_cast<float>(values[k]);
  }
  return 0;
}

}  // namespace korva
