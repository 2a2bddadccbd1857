// The coupling and tensor report of every mode, and the agreement statistics it prints.
#include "report/report.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/output.h"
#include "numeric/constants.h"
#include "report/fixed_format.h"

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

// The charged medium: only a run with a surface potential has these lines.
void writeChargeSection(FILE* fp, const chargeSummary& c) {
  std::fprintf(fp, "\nREMARK Charged medium (screened electrostatics).\n\n");
  std::fprintf(fp, "DATA KORVA SURFACE_POTENTIAL  % .3f [kT/e]\n", c.y0);
  std::fprintf(fp, "DATA KORVA DEBYE_LENGTH       % .3f [A]\n", c.debye);
  std::fprintf(fp, "DATA KORVA SURFACE_CHARGE     % .4f [e/nm^2]\n", c.sigma);
  std::fprintf(fp, "DATA KORVA CHARGE_SITES        %d\n", c.sites);
  std::fprintf(fp, "DATA KORVA NET_CHARGE         % .3f [e]\n", c.net);
  std::fprintf(fp, "DATA KORVA ELEC_FRACTION      % .3f\n", c.fraction);
  if (c.fraction >= kCautionFraction) {
    std::fprintf(fp,
                 "REMARK Caution: the alignment is dominated by states held at the surface;\n"
                 "REMARK its direction may hold, its magnitude is not reliable.\n");
  }
  if (c.scale > 0.0) {
    std::fprintf(fp, "DATA KORVA PREDICTION_SCALE  % .4e\n", c.scale);
    std::fprintf(fp,
                 "REMARK The couplings are predicted from the direction of this order matrix,\n"
                 "REMARK at the scale that fits the measured ones best.\n");
  }
  if (!c.fitted) return;
  std::fprintf(fp, "\nREMARK Surface potential fitted: largest R over %.1f to %.1f kT/e.\n\n",
               kFitPotMin, kFitPotMax);
  std::fprintf(fp, "DATA KORVA FIT_POTENTIAL      % .3f [kT/e]\n", c.y0);
  std::fprintf(fp, "DATA KORVA FIT_CORR_R         % .3f\n", c.r);
  if (c.y0 <= kFitPotMin || c.y0 >= kFitPotMax) {
    std::fprintf(fp, "REMARK The best potential lies at the end of the range searched.\n");
  }
  std::fprintf(fp, "DATA KORVA FIT_CURVE (SURFACE_POTENTIAL, R, ELEC_FRACTION)\n");
  for (const potentialPoint& pt : c.curve) {
    std::fprintf(fp, "DATA KORVA FIT_CURVE % 7.2f % .3f % .3f\n", pt.y0, pt.r, pt.fraction);
  }
}

void writeAngleRanges(FILE* fp, const dTensor* tab) {
  std::fprintf(fp, "DATA PSI_RANGE   % 8.2f % 8.2f\n", tab->psiMin, tab->psiMax);
  std::fprintf(fp, "DATA THETA_RANGE % 8.2f % 8.2f\n", tab->thetaMin, tab->thetaMax);
  std::fprintf(fp, "DATA PHI_RANGE   % 8.2f % 8.2f\n", tab->phiMin, tab->phiMax);
}

void writeTensorMode(FILE* fp, const dTensor* tab) {
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

void writeModeSection(FILE* fp, const dTensor* tab, const korvaInfo* info) {
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
int writeTensorAnalysis(FILE* fp, const reportInput& r, Log& log) {
  if (!r.analysisStatus.ok()) {
    log.write(r.analysisStatus.message().c_str());
    log.printf("KORVA: error occured in analyzeSaupe.\n");
    return 1;
  }
  const saupeAnalysis& a = *r.analysis;
  const double* irr = a.irr;
  std::fprintf(fp, "DATA IRREDUCIBLE REPRESENTATION (A0,A1R,A1I,A2R,A2I)");
  std::fprintf(fp, "   % .4e % .4e % .4e % .4e % .4e\n", irr[0], irr[1], irr[2], irr[3], irr[4]);
  std::fprintf(fp, "DATA IRREDUCIBLE GENERAL_MAGNITUDE");
  std::fprintf(fp, "  % .4e\n", a.gMag);
  if (r.info->euler == 0) return 0;

  const auto& eigVec = a.eigVec;
  std::fprintf(
      fp, "\n\nREMARK Eigensystem & Euler angles for clockwise rotation about z, y', z''.\n\n");
  std::fprintf(fp, "DATA EIGENVALUES (Axx,Ayy,Azz)");
  std::fprintf(fp, "   % .4e % .4e % .4e\n", a.eigVal[2], a.eigVal[1], a.eigVal[0]);
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
    std::fprintf(fp, "DATA Q_EULER_ANGLES %2d  %7.2f  %7.2f  %7.2f\n", k + 1, a.alpha[k], a.beta[k],
                 a.gamma[k]);
  }
  std::fprintf(fp, "\n\nREMARK Euler angles (psi/theta/phi) for rotation about x, y, z.\n\n");
  reportEuler(fp, *r.tensor);
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

void writeRows(FILE* fp, const dTab* tab, int full) {
  for (int i = 0; i < tab->n; ++i) {
    if (!dcListed(*tab, i)) continue;
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
  const agreementStats st = getStatDCmod(*tab);
  const int n = st.n;
  *nOut = n;
  if (fp == nullptr) return;
  std::fprintf(fp, "\nREMARK Dipolar couplings.\n\n");
  std::fprintf(fp, "DATA N                    %d\n", n);
  if (n == 0) return;
  std::fprintf(fp, "DATA RMS                  %.3f\n", st.rms);
  std::fprintf(fp, "DATA Chi2                 %.3f\n", st.chi2);
  std::fprintf(fp, "DATA CORR R               %.3f\n", st.r);
  std::fprintf(fp, "DATA MERIDOVANT Q         %.3f\n", st.q);
  std::fprintf(fp, "DATA REGRESSION OFFSET    %.3f +/- %.3f [Hz]\n", st.offset, st.offsetErr);
  std::fprintf(fp, "DATA REGRESSION SLOPE     %.3f +/- %.3f [Hz]\n", st.slope, st.slopeErr);
  std::fprintf(fp, "DATA REGRESSION KEB SLOPE %.3f +/- %.3f [Hz]\n", st.keb, st.kebErr);
}

int writeReportBody(FILE* fp, const reportInput& in, Log& log) {
  static const dTab kNoCouplings;
  const dTab* tab = in.couplings != nullptr ? in.couplings : &kNoCouplings;
  const korvaInfo* info = in.info;
  const char* remark = in.remark;
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
  writeModeSection(fp, in.tensor, info);
  if (in.charges != nullptr && in.charges->active) writeChargeSection(fp, *in.charges);
  if (in.condition > 0.0) std::fprintf(fp, "DATA CONDITION_NUMBER  % .4e\n", in.condition);
  if (info->rim != 0.0f) {
    std::fprintf(fp, "DATA KORVA INCLUDE_RIM      on\n");
    std::fprintf(fp, "DATA KORVA MOLAR_RATIO      % .3f\n", info->pRatio);
    std::fprintf(fp, "DATA KORVA MODEL_LENGTH     % .3f\n", info->lM);
    std::fprintf(fp, "DATA KORVA S_DISC_RIM       % .3f\n", info->rimDisc);
  }
  std::fprintf(fp, "\n\n");
  std::fprintf(fp, "REMARK Order matrix.\n\n");
  const float* s = in.tensor->saupe;
  std::fprintf(fp, "DATA SAUPE  % .4e % .4e % .4e % .4e % .4e\n\n", s[0], s[1], s[2], s[3], s[4]);
  if (s[0] != 0.0f && s[1] != 0.0f && s[2] != 0.0f && s[3] != 0.0f && s[4] != 0.0f) {
    if (writeTensorAnalysis(fp, in, log) != 0) return 1;
  }
  writeStatistics(fp, tab, &n);
  if (n == 0) return 0;
  writeColumnHeader(fp, tab, " DI D_OBS D D_DIFF DD W\n", " %9.2f %9.3f %9.3f %9.3f %.2f %.2f\n\n");
  writeRows(fp, tab, 1);
  return 0;
}

}  // namespace

void analyzeForReport(const dTensor& tensor, saupeAnalysis* analysis, Status* status) {
  double saupe[5];
  for (int k = 0; k < 5; ++k) saupe[k] = tensor.saupe[k];
  *status = analyzeSaupe(saupe, true, analysis);
}

int writeReport(FILE* stream, const reportInput& in, Log& log) {
  return writeReportBody(stream, in, log);
}

int writeTextFile(const char* name, const std::string& text, const char* openError,
                  const char* writeError, Log& log) {
  outputFile out;
  FILE* fp = out.open(name);
  if (fp == nullptr) {
    log.printf(openError, name);
    return 1;
  }
  std::fwrite(text.data(), 1, text.size(), fp);
  if (!out.commit()) {
    log.printf(writeError, name != nullptr && name[0] != '\0' ? name : "(stdout)");
    return 1;
  }
  return 0;
}

int writeDCmod(const char* name, const reportInput& in, Log& log) {
  // The report is composed in memory first, so that a file that cannot take it loses nothing:
  // the whole text then goes to standard output.
  char* buffer = nullptr;
  size_t size = 0;
  FILE* mem = open_memstream(&buffer, &size);
  if (mem == nullptr) {
    log.printf("DC Error: no memory for the report.\n");
    return 1;
  }
  const int status = writeReportBody(mem, in, log);
  std::fclose(mem);
  const std::string text(buffer, size);
  std::free(buffer);
  if (writeTextFile(name, text, "DC Error opening output file %s\n",
                    "DC Error writing output file %s\n", log) != 0) {
    if (name != nullptr && name[0] != '\0') {
      std::fwrite(text.data(), 1, text.size(), stdout);
      std::fflush(stdout);
    }
    return 1;
  }
  return status;
}

void reportEuler(FILE* stream, const dTensor& t) {
  const int n = t.nEuler < 0 ? 0 : (t.nEuler > kMaxEuler ? kMaxEuler : t.nEuler);
  std::fprintf(stream, "DATA EULER_SOLUTIONS %d\n", n);
  for (int k = 0; k < n; k++) {
    std::fprintf(stream, "DATA EULER_ANGLES % 7.2f % 7.2f % 7.2f\n", t.psiList[k], t.thetaList[k],
                 t.phiList[k]);
  }
  std::fprintf(stream, "\nDATA Da % e\n", t.da);
  std::fprintf(stream, "DATA Dr % e\n\n", t.dr);
}

void mapAxisPoints(const double a[3], double point[2], double opposite[2]) {
  // acos is undefined a rounding step beyond +-1, which an eigenvector along z can reach.
  const double z = a[2] > 1.0 ? 1.0 : (a[2] < -1.0 ? -1.0 : a[2]);
  const double lat = kHalfPi - std::acos(z);
  const double lon = std::atan2(a[1], a[0]);
  // The opposite point lies half a turn away in longitude. On the prime meridian that is the
  // date line, not the meridian itself; only at a pole, where longitude means nothing, it stays 0.
  double lonOpp = 0.0;
  if (lon > 0.0) lonOpp = lon - kPi;
  if (lon < 0.0) lonOpp = lon + kPi;
  if (lon == 0.0 && (a[0] != 0.0 || a[1] != 0.0)) lonOpp = kPi;
  point[0] = lon * std::cos(lat);
  point[1] = lat;
  opposite[0] = lonOpp * std::cos(lat);
  opposite[1] = -lat;
}

void appendMapLines(std::string* out, const double eigVec[3][3]) {
  double pts[3][2], opp[3][2];
  for (int j = 0; j < 3; j++) {
    const double axis[3] = {eigVec[0][j], eigVec[1][j], eigVec[2][j]};
    mapAxisPoints(axis, pts[j], opp[j]);
  }
  // The formats "  %f       %f" and " %f\t%f", without printf: a mapping writes them by the
  // hundred thousand.
  for (int j = 0; j < 3; j++) {
    out->append("  ");
    appendFixed6(out, pts[j][0]);
    out->append("       ");
    appendFixed6(out, pts[j][1]);
  }
  out->push_back('\n');
  for (int j = 0; j < 3; j++) {
    out->push_back(' ');
    appendFixed6(out, opp[j][0]);
    out->push_back('\t');
    appendFixed6(out, opp[j][1]);
  }
  out->push_back('\n');
}

std::string mapStatisticsRemark(int steps, const double gMag[2], const double azz[2],
                                const double mean[5], const double dev[5]) {
  return formatText(
      "\nREMARK Mapping Statistics.\n\n"
      "DATA STATISTICS MAPPING NUMBER OF SUCCESFUL STEPS   %d\n"
      "DATA STATISTICS MAPPING G_MAG (AVERAGE, STD_DEV)   % .4e % .4e\n"
      "DATA STATISTICS MAPPING SZZ (AVERAGE, STD_DEV)     % .4e % .4e\n"
      "DATA STATISTICS MAPPING SAUPE AVERAGE    % .4e  % .4e  % .4e  % .4e % .4e\n"
      "DATA STATISTICS MAPPING SAUPE STD_DEV    % .4e  % .4e  % .4e  % .4e % .4e\n"
      "\n\n",
      steps, gMag[0], gMag[1], azz[0], azz[1], mean[0], mean[1], mean[2], mean[3], mean[4], dev[0],
      dev[1], dev[2], dev[3], dev[4]);
}

std::string compareSaupeRemark(const double s1[5], const double s2[5], const saupeComparison& cmp) {
  const double* r = cmp.result;
  std::string text = "\nREMARK Input order matrices.\n\n";
  text += formatText("DATA SAUPE 1      % .4e % .4e % .4e % .4e % .4e\n", s1[0], s1[1], s1[2],
                     s1[3], s1[4]);
  text += formatText("DATA SAUPE 2      % .4e % .4e % .4e % .4e % .4e\n", s2[0], s2[1], s2[2],
                     s2[3], s2[4]);
  text += formatText("DATA SAUPE RESULT % .4e % .4e % .4e % .4e % .4e\n\n", r[0], r[1], r[2], r[3],
                     r[4]);
  text += "\nREMARK Relative Orientation of alignment tensors.\n\n";
  text += formatText("DATA ANGLE_3D_AXES (X/Y/Z)  %.2f %.2f %.2f\n", 180.0 * cmp.axes[0] / kPi,
                     180.0 * cmp.axes[1] / kPi, 180.0 * cmp.axes[2] / kPi);
  text += formatText("\nDATA ANGLE_5D_SPACE  %.2f\n", static_cast<double>(cmp.angle));
  text += formatText("DATA COLL_5D         %.5f\n\n\n", static_cast<double>(cmp.coll));
  return text;
}

}  // namespace korva
