// The coupling and tensor report of every mode, and the agreement statistics it prints.
#include "report/report.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "tensor/saupe_analysis.h"
#include "numeric/stats.h"

namespace korva {
namespace {

const char* const kActionNames[] = {"add", "sub", "mul", "div", "max"};

// Names left empty are written as "None" so the report reads back with every column present.
const char* shownName(const char* name) {
  return name[0] != '\0' ? name : "None";
}

void writeStericSection(FILE* fp, const korvaInfo* info, const char* heading) {
  std::fprintf(fp, "%s", heading);
  if (info->lcModel == kModelWall) std::fprintf(fp, "DATA KORVA LC_TYPE             wall\n");
  if (info->lcModel == kModelRod) std::fprintf(fp, "DATA KORVA LC_TYPE              rod\n");
  std::fprintf(fp, "DATA KORVA LC_CONCENTRATION    %.3f\n", info->wv);
  std::fprintf(fp, "DATA KORVA ORIENT_SPHERE       %d\n", info->dot);
  std::fprintf(fp, "DATA KORVA ORIENT_PSI          %d\n", info->digPsi);
  std::fprintf(fp, "DATA KORVA GRID_SPACING       % .3f\n", info->dGrid);
  std::fprintf(fp, "DATA KORVA MODEL_RADIUS       % .3f\n", info->rM);
  std::fprintf(fp, "DATA KORVA LC_ORDER           % .3f\n", info->lcS);
  std::fprintf(fp, "DATA KORVA ATOM_RADIUS        % .3f\n", info->rA);
  std::fprintf(fp, "DATA KORVA SEL_SIMPLE_FLAG     %d\n", info->useH);
  std::fprintf(fp, "DATA KORVA SURF_FLAG           %d\n", info->surf);
}

void writeAngleRanges(FILE* fp, const dTab* tab) {
  std::fprintf(fp, "DATA PSI_RANGE   % 8.2f % 8.2f\n", tab->psiMin, tab->psiMax);
  std::fprintf(fp, "DATA THETA_RANGE % 8.2f % 8.2f\n", tab->thetaMin, tab->thetaMax);
  std::fprintf(fp, "DATA PHI_RANGE   % 8.2f % 8.2f\n", tab->phiMin, tab->phiMax);
}

void writeTensorMode(FILE* fp, const dTab* tab) {
  switch (tab->tensorMode) {
    case kTensorSVD:
      std::fprintf(fp, "DATA TENSOR_MODE SVD (Order Matrix Method)\n");
      break;
    case kTensorSaupe:
      std::fprintf(fp, "DATA TENSOR_MODE SAUPE");
      std::fprintf(fp, " (Fixed Saupe Values)\n");
      break;
    case kTensorNoFixed:
      std::fprintf(fp, "DATA TENSOR_MODE NOFIXED");
      std::fprintf(fp, " (Variable Da and Dr, Variable Rotations)\n\n");
      std::fprintf(fp, "DATA DA_RANGE    % .4e % .4e\n", tab->daMin, tab->daMax);
      std::fprintf(fp, "DATA DR_RANGE    % .4e % .4e\n", tab->drMin, tab->drMax);
      writeAngleRanges(fp, tab);
      break;
    case kTensorDaDr:
      std::fprintf(fp, "DATA TENSOR_MODE DADR");
      std::fprintf(fp, " (Fixed Da and Dr, Variable Rotations)\n\n");
      writeAngleRanges(fp, tab);
      break;
    case kTensorFixed:
      std::fprintf(fp, "DATA TENSOR_MODE FIXED");
      std::fprintf(fp, " (Fixed Da and Dr, Fixed Rotations)\n");
      break;
    default:
      break;
  }
}

void writeActionSection(FILE* fp, const korvaInfo* info, const char* heading) {
  std::fprintf(fp, "%s", heading);
  if (info->action >= kActionAdd && info->action <= kActionMax) {
    std::fprintf(fp, "DATA KORVA ACTION    %s\n", kActionNames[info->action - kActionAdd]);
  }
  std::fprintf(fp, "DATA KORVA C1     % .3f\n", info->c1);
  std::fprintf(fp, "DATA KORVA C2     % .3f\n", info->c2);
}

void writeModeSection(FILE* fp, const dTab* tab, const korvaInfo* info) {
  switch (info->mode) {
    case kModeSteric:
      writeStericSection(fp, info, "\nDATA KORVA_MODE STERIC\n\n");
      break;
    case kModeStericFree:
      writeStericSection(fp, info, "\nDATA KORVA_MODE STERIC_FREE\n\n");
      break;
    case kModeBestFit:
      std::fprintf(fp, "\nDATA KORVA_MODE DC\n\n");
      writeTensorMode(fp, tab);
      break;
    case kModeCompareDC:
      writeActionSection(fp, info, "\nDATA KORVA_MODE DC_CP\n\n");
      break;
    case kModeCompareSaupe:
      writeActionSection(fp, info, "\nDATA KORVA_MODE SAUPE_CP\n\n");
      break;
    default:
      break;
  }
}

// Irreducible representation and, with euler on, the eigensystem and both angle sets.
// Returns 0, or 1 when the analysis failed.
int writeTensorAnalysis(FILE* fp, const dTab* tab, const korvaInfo* info) {
  double saupe[5];
  for (int k = 0; k < 5; ++k) saupe[k] = tab->saupe[k];
  double irr[5] = {};
  double gMag = 0.0;
  double eigVec[3][3] = {};
  double eigVal[3] = {};
  double da = 0.0;
  double dr = 0.0;
  double alpha[kSaupeFrames] = {};
  double beta[kSaupeFrames] = {};
  double gamma[kSaupeFrames] = {};
  if (analyzeSaupe(saupe, irr, &gMag, eigVec, eigVal, &da, &dr, alpha, beta, gamma, info->euler) !=
      0) {
    std::fprintf(stderr, "KORVA: error occured in analyzeSaupe.\n");
    return 1;
  }
  std::fprintf(fp, "DATA IRREDUCIBLE REPRESENTATION (A0,A1R,A1I,A2R,A2I)");
  std::fprintf(fp, "   % .4e % .4e % .4e % .4e % .4e\n", irr[0], irr[1], irr[2], irr[3], irr[4]);
  std::fprintf(fp, "DATA IRREDUCIBLE GENERAL_MAGNITUDE");
  std::fprintf(fp, "  % .4e\n", gMag);
  if (info->euler == 0) return 0;

  std::fprintf(
      fp, "\n\nREMARK Eigensystem & Euler angles for clockwise rotation about z, y', z''.\n\n");
  std::fprintf(fp, "DATA EIGENVALUES (Axx,Ayy,Azz)");
  std::fprintf(fp, "   % .4e % .4e % .4e\n", eigVal[2], eigVal[1], eigVal[0]);
  std::fprintf(fp, "DATA EIGENVECTORS\n");
  std::fprintf(fp, "DATA EIGENVECTORS XAXIS % .4e % .4e % .4e\n", eigVec[0][2], eigVec[1][2],
               eigVec[2][2]);
  std::fprintf(fp, "DATA EIGENVECTORS YAXIS % .4e % .4e % .4e\n", eigVec[0][1], eigVec[1][1],
               eigVec[2][1]);
  std::fprintf(fp, "DATA EIGENVECTORS ZAXIS % .4e % .4e % .4e\n", eigVec[0][0], eigVec[1][0],
               eigVec[2][0]);
  std::fprintf(fp, "\n");
  std::fprintf(fp, "DATA Q_EULER_SOLUTIONS  %7s  %7s  %7s\n", "ALPHA", "BETA", "GAMMA");
  for (int k = 0; k < kSaupeFrames; ++k) {
    std::fprintf(fp, "DATA Q_EULER_ANGLES %2d  %7.2f  %7.2f  %7.2f\n", k + 1, alpha[k], beta[k],
                 gamma[k]);
  }
  std::fprintf(fp, "\n\nREMARK Euler angles (psi/theta/phi) for rotation about x, y, z.\n\n");
  reportEuler(fp, tab);
  return 0;
}

// Column header and format lines; the tails are the last part of each, written verbatim.
void writeColumnHeader(FILE* fp, const dTab* tab, const char* varsTail, const char* formatTail) {
  std::fprintf(fp, "\n");
  std::fprintf(fp, "VARS   ");
  std::fprintf(fp, " RESID_I RESNAME_I ATOMNAME_I");
  if (!tab->ignoreChain) std::fprintf(fp, " CHAINNAME_I");
  if (!tab->ignoreSeg) std::fprintf(fp, " SEGNAME_I");
  std::fprintf(fp, " RESID_J RESNAME_J ATOMNAME_J");
  if (!tab->ignoreChain) std::fprintf(fp, " CHAINNAME_J");
  if (!tab->ignoreSeg) std::fprintf(fp, " SEGNAME_J");
  std::fprintf(fp, "%s", varsTail);

  std::fprintf(fp, "FORMAT ");
  std::fprintf(fp, " %%4d %%4s %%4s");
  if (!tab->ignoreChain) std::fprintf(fp, " %%4s");
  if (!tab->ignoreSeg) std::fprintf(fp, " %%4s");
  std::fprintf(fp, " %%4d %%4s %%4s");
  if (!tab->ignoreChain) std::fprintf(fp, " %%4s");
  if (!tab->ignoreSeg) std::fprintf(fp, " %%4s");
  std::fprintf(fp, "%s", formatTail);
}

void writeRowNames(FILE* fp, const dTab* tab, const dcRecord& r) {
  std::fprintf(fp, " %4d %4s %4s", r.resI, shownName(r.resNameI), shownName(r.atomNameI));
  if (!tab->ignoreChain) std::fprintf(fp, " %4s", shownName(r.chainI));
  if (!tab->ignoreSeg) std::fprintf(fp, " %4s", shownName(r.segI));
  std::fprintf(fp, " %4d %4s %4s", r.resJ, shownName(r.resNameJ), shownName(r.atomNameJ));
  if (!tab->ignoreChain) std::fprintf(fp, " %4s", shownName(r.chainJ));
  if (!tab->ignoreSeg) std::fprintf(fp, " %4s", shownName(r.segJ));
}

int listed(const dTab* tab, int i) {
  return tab->in[i].selected != 0 && tab->work[i].selected != 0 && !tab->in[i].badElement;
}

void writeRows(FILE* fp, const dTab* tab, int full) {
  for (int i = 0; i < tab->n; ++i) {
    if (!listed(tab, i)) continue;
    const dcRecord& in = tab->in[i];
    const dcRecord& w = tab->work[i];
    writeRowNames(fp, tab, in);
    if (full) {
      const float diff = (in.D < kDCLimit && w.D < kDCLimit) ? in.D - w.D : kDCUnset;
      std::fprintf(fp, " % 9.2f % 9.4f % 9.4f % 9.4f %7.4f %.2f\n", w.DI, in.D, w.D, diff, in.DD,
                   in.W);
    } else {
      std::fprintf(fp, " % 9.4f %7.4f %.2f\n", w.D, in.DD, in.W);
    }
  }
}

void writeStatistics(FILE* fp, const dTab* tab, int* nOut) {
  float rms = 0, chi2 = 0, q = 0, r = 0, offset = 0, offsetErr = 0, slope = 0, slopeErr = 0;
  float keb = 0, kebErr = 0;
  int n = 0;
  getStatDCmod(tab, &rms, &chi2, &q, &r, &offset, &offsetErr, &slope, &slopeErr, &keb, &kebErr, &n);
  *nOut = n;
  if (fp == nullptr) return;
  std::fprintf(fp, "\nREMARK Dipolar couplings.\n\n");
  std::fprintf(fp, "DATA N                    %d\n", n);
  if (n == 0) return;
  std::fprintf(fp, "DATA RMS                  %.3f\n", rms);
  std::fprintf(fp, "DATA Chi2                 %.3f\n", chi2);
  std::fprintf(fp, "DATA CORR R               %.3f\n", r);
  std::fprintf(fp, "DATA MERIDOVANT Q         %.3f\n", q);
  std::fprintf(fp, "DATA REGRESSION OFFSET    %.3f +/- %.3f [Hz]\n", offset, offsetErr);
  std::fprintf(fp, "DATA REGRESSION SLOPE     %.3f +/- %.3f [Hz]\n", slope, slopeErr);
  std::fprintf(fp, "DATA REGRESSION KEB SLOPE %.3f +/- %.3f [Hz]\n", keb, kebErr);
}

int writeReport(FILE* fp, dTab* tab, const korvaInfo* info, const char* remark) {
  int n = 0;
  if (info->verbose == 0) {
    writeStatistics(nullptr, tab, &n);
    std::fprintf(fp, "DATA SEQUENCE ");
    std::fprintf(fp, "\n");
    if (n == 0) return 0;
    writeColumnHeader(fp, tab, " D DD W\n", " %9.3f %9.3f %.2f\n\n");
    writeRows(fp, tab, 0);
    return 0;
  }

  std::fprintf(fp, "REMARK Molecular Alignment Simulation.\n\n");
  if (remark != nullptr) std::fprintf(fp, "%s", remark);
  std::fprintf(fp, "REMARK Simulation parameters.\n");
  writeModeSection(fp, tab, info);
  if (info->rim != 0.0f) {
    std::fprintf(fp, "DATA KORVA INCLUDE_RIM      on\n");
    std::fprintf(fp, "DATA KORVA MOLAR_RATIO      % .3f\n", info->pRatio);
    std::fprintf(fp, "DATA KORVA MODEL_LENGTH     % .3f\n", info->lM);
    std::fprintf(fp, "DATA KORVA S_DISC_RIM       % .3f\n", info->rimDisc);
  }
  std::fprintf(fp, "\n\n");
  std::fprintf(fp, "REMARK Order matrix.\n\n");
  const float* s = tab->saupe;
  std::fprintf(fp, "DATA SAUPE  % .4e % .4e % .4e % .4e % .4e\n\n", s[0], s[1], s[2], s[3], s[4]);
  if (s[0] != 0.0f && s[1] != 0.0f && s[2] != 0.0f && s[3] != 0.0f && s[4] != 0.0f) {
    if (writeTensorAnalysis(fp, tab, info) != 0) return 1;
  }
  writeStatistics(fp, tab, &n);
  if (n == 0) return 0;
  writeColumnHeader(fp, tab, " DI D_OBS D D_DIFF DD W\n", " %9.2f %9.3f %9.3f %9.3f %.2f %.2f\n\n");
  writeRows(fp, tab, 1);
  return 0;
}

}  // namespace

int writeDCmod(const char* name, const char* mode, dTab* tab, const korvaInfo* info,
               const char* remark) {
  FILE* fp = stdout;
  if (name != nullptr && name[0] != '\0') {
    fp = std::fopen(name, mode);
    if (fp == nullptr) {
      std::fprintf(stderr, "DC Error opening output file %s\n", name);
      fp = stdout;
    }
  }
  const int status = writeReport(fp, tab, info, remark);
  if (fp != stdout) {
    std::fclose(fp);
  } else {
    std::fflush(fp);
  }
  return status;
}

int getStatDCmod(const dTab* tab, float* rms, float* chi2, float* q, float* r, float* offset,
                 float* offsetErr, float* slope, float* slopeErr, float* kebSlope,
                 float* kebSlopeErr, int* n) {
  tvector<float> x(TrackedAllocator<float>("statDC"));
  tvector<float> y(TrackedAllocator<float>("statDC"));
  try {
    x.resize(static_cast<size_t>(tab->n) + 1);
    y.resize(static_cast<size_t>(tab->n) + 1);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "Error allocating temporary buffers.\n");
    return 1;
  }

  int count = 0;
  double sumX2 = 0.0;
  double sumD2 = 0.0;
  double sumChi = 0.0;
  for (int i = 0; i < tab->n; ++i) {
    if (!listed(tab, i)) continue;
    const dcRecord& in = tab->in[i];
    const dcRecord& w = tab->work[i];
    if (!(in.D < kDCLimit && w.D < kDCLimit)) continue;
    // The weighted values are single-precision figures; every sum below is formed from them as
    // stored, so the regression and the sums see the same numbers.
    const float xf = static_cast<float>(static_cast<double>(w.W) * in.D);
    const float yf = static_cast<float>(static_cast<double>(w.W) * w.D);
    // An infinite value (an overflowing weight or combination) would turn every figure into NaN.
    if (!std::isfinite(xf) || !std::isfinite(yf)) continue;
    ++count;
    x[count] = xf;
    y[count] = yf;
    const double xi = xf;
    const double diff = xi - static_cast<double>(yf);
    sumX2 += xi * xi;
    sumD2 += diff * diff;
    sumChi += in.DD != 0.0f ? (diff / in.DD) * (diff / in.DD) : diff * diff;
  }
  *n = count;
  if (count == 0) return 0;
  *q = sumX2 > 0.0 ? static_cast<float>(std::sqrt(sumD2 / sumX2)) : 0.0f;
  *rms = static_cast<float>(std::sqrt(sumD2 / count));
  *chi2 = static_cast<float>(sumChi);

  pearsn(x.data(), y.data(), count, r, nullptr, nullptr);
  float b1 = 0, sb1 = 0, a2 = 0, b2 = 0, sa2 = 0, sb2 = 0;
  fit(x.data(), y.data(), count, nullptr, 0, offset, &b1, offsetErr, &sb1, nullptr, nullptr);
  fit(y.data(), x.data(), count, nullptr, 0, &a2, &b2, &sa2, &sb2, nullptr, nullptr);
  *slope = b1;
  *slopeErr = sb1;
  if (b2 != 0.0f) {
    const double keb = 0.5 * (b1 + 1.0 / b2);
    const double b2sq = static_cast<double>(b2) * b2;
    const double err =
        0.5 * keb * std::sqrt(static_cast<double>(sb1) * sb1 + (sb2 / b2sq) * (sb2 / b2sq));
    // A vanishing reverse slope gives no usable mean slope.
    if (std::isfinite(static_cast<float>(keb)) && std::isfinite(static_cast<float>(err))) {
      *kebSlope = static_cast<float>(keb);
      *kebSlopeErr = static_cast<float>(err);
    }
  }
  return 0;
}

}  // namespace korva
