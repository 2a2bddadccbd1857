// The program's help text, printed by printInfo.
#include "cli/help_text.h"

#include <cstdio>

namespace korva {
namespace {

// The simulation parameters, listed under both steric modes.
const char* const kHelpSimulation = R"KORVA( -bic              [on]      Wall LC Model.
 -pf1              [off]     Rod LC Model.
 -wv      conc     [0.05]    Liquid Crystal Concentration [mg/ml].
 -dot     density  [100]     Orientation Density (Sphere).
 -digPsi  digPsi   [18]      Orientation Density (3rd angle).
 -dGrid   gridSpac [0.2]     Grid Spacing [A].
 -rM      radius   [20.0]    Half Model Thickness [A].
 -lcS     order    [0.8]     Liquid Crystal Order [0-1].
 -surf             [on]      Select Surface Accessible Atoms.
 -nosurf           [off]     Don't Select Surface Accessible Atoms.
 -rA      radius   [0.0]     Atom radius [A].
)KORVA";

const char* const kHelpHead = R"KORVA(
KORVA: steric alignment prediction and alignment-tensor fitting from dipolar couplings


ARGUMENTS FOR STERIC KORVA
 -stKorva          [on]      Steric KORVA Mode.
 -pdb     pName    [None]    PDB Input (Required).
 -inD     dName    [None]    Dipolar Coupling (Input).
 -inp     inpName  [None]    Configuration file (Input).
 -outD    dName    [None]    Dipolar Coupling (Output).
 -pdbRot  pRotName [None]    PDB rotated (Output).
Simulation Parameters:
)KORVA";

const char* const kHelpMiddle = R"KORVA(PDB Selection Flags:
 -H                [off]     Simple PDB Selection (all Atoms).
 -noH              [on]      Simple PDB Selection (all Atoms except H).
 -res     resID              Single Residue for Selection.
 -r1      res1     [0]       First Residue in Segment.
 -rN      resN     [0]       Last Residue in Segment.
 -atom    aList    [*]       Atom Name List.
 -resName rList    [*]       Res Name List.
 -chain   cList    [*]       Chain Name List.
 -seg     sList    [*]       Seg Name List.
 -id      sID      [*]       Selection ID.
 -inv                        Invert Selection.
PDB Special Selection; No Other Selection Performed:
 -clear                      Clear Selection for All Atoms.
 -set                        Set Selection for All Atoms.
PDB Name Matching Modes:
 -exact                      Match Names Exactly (Default).
 -regex                      Regular Expression Pattern Matching.
 -glob                       Glob-style Pattern Matching.
 -aExact                     Match Atom Names Exactly.
 -aRegex                     Atom Regular Expression Pattern Matching.
 -aGlob                      Atom Glob-style Pattern Matching.
 -rExact                     Match Res Names Exactly.
 -rRegex                     Res Regular Expression Pattern Matching.
 -rGlob                      Res Glob-style Pattern Matching.
 -cExact                     Match Chain Names Exactly.
 -cRegex                     Chain Regular Expression Pattern Matching.
 -cGlob                      Chain Glob-style Pattern Matching.
 -sExact                     Match Seg Names Exactly.
 -sRegex                     Seg Regular Expression Pattern Matching.
 -sGlob                      Seg Glob-style Pattern Matching.
DC Selection Flags:
 -a1      aRes1    [0]       First Res in PDB.
 -s1      res1     [0]       First Res in Segment.
 -sN      resN     [0]       Last Res in Segment.
 -aD1     atom     {All}     DC Atom Type 1 used.
 -aD2     atom     {All}     DC Atom Type 2 used.


ARGUMENTS FOR FREE FORMAT, STERIC KORVA
 -stKorvaFree      [off]     Free Format Steric KORVA Mode.
 -pdbF    pdbFName [None]    PDB Input (free format) (Required).
 -outA    outAName [None]    Predicted Saupe Matrix (Output).
Simulation Parameters:
)KORVA";

const char* const kHelpTail = R"KORVA(

ARGUMENTS FOR BEST-FIT (SVD/POWELL)
 -bestFit        [off]       Pure Best-Fit Mode.
 -pdb     pName  [None]      PDB Input (Required).
 -inD     dName  [None]      Dipolar Coupling (Input).
 -outD    dName  [None]      Best-fit Coupling (Output).
 -map     mapCount  [0]      Mapping of Error Space.
 -outMap  mName  [None]      World Map Coordinates (Output).
Alignment Tensor Specification Methods:
 -svd         SVD Calc of Saupe Matrix (Default).
 -saupe sList List of 5 Saupe Values (also: -align).
 -fixed       Fixed Da, Dr, and Rotations.
 -nofixed     Variable Da, Dr, and Rotations.
 -dadr        Fixed Da and Dr, Variable Rotations.
Alignment Tensor Magnitude and Rhombicity Limits:
 -da          [1.0e-3]      Initial DA Value.
 -daMin      [-1.0e-2]      Minimum Initial DA Value.
 -daMax       [1.0e-2]      Maximum Initial DA Value.
 -dr          [1.0e-4]      Initial DR Value.
 -drMin      [-1.0e-2]      Minimum Initial DR Value.
 -drMax       [1.0e-2]      Maximum Initial DR Value.
Rotation Angle Starting Values and Limits:
 -psi           [45.0]      Initial X-Axis Rotation.
 -psiMax       [360.0]      Maximum X-Axis Rotation.
 -psiMin      [-360.0]      Minimum X-Axis Rotation.
 -theta         [45.0]      Initial Y-Axis Rotation.
 -thetaMax     [360.0]      Maximum Y-Axis Rotation.
 -thetaMin    [-360.0]      Minimum Y-Axis Rotation.
 -phi           [45.0]      Initial Z-Axis Rotation.
 -phiMax       [360.0]      Maximum Z-Axis Rotation.
 -phiMin      [-360.0]      Minimum Z-Axis Rotation.
Selection Flags:
 -a1      aRes1  [0]         First Res in PDB.
 -s1      res1   [0]         First Res in Segment.
 -sN      resN   [0]         Last Res in Segment.
 -aD1     atom   {All}       DC Atom Type 1 used.
 -aD2     atom   {All}       DC Atom Type 2 used.


ARGUMENTS FOR ANALYSIS OF ORDER MATRIX
 -anA        [off]           Analysis of 2 Saupe matrices.
 -inS1 sList List of 5 Saupe Values (Input).
 -inS2 sList List of 5 Saupe Values (Input).
 -outA       outAName [None] Saupe Analysis (Output).
Action Flags:
 -add   Action: inS1 + inS2
 -sub   Action: inS1 - inS2 (Default)
 -mul   Action: inS1 * inS2
 -div   Action: inS1 / inS2
 -max   Action: Max(inS1, inS2)
            (Tests general magnitude)
Other Options:
 -c1    scale [1.0]  Scale factor for inS1
 -c2    scale [1.0]  Scale factor for inS2


ARGUMENTS FOR ANALYSIS OF DIPOLAR COUPLINGS
 -anDC       [off]           Analysis of 2 Sets of Dipolar Couplings.
 -inD1       d1Name   [None] Dipolar Coupling Set 1 (Input).
 -inD2       d2Name   [None] Dipolar Coupling Set 2 (Input).
 -outD       outDName [None] DC Analysis (Output).
Selection Flags:
 -s1      res1     [0]       First Res in Segment.
 -sN      resN     [0]       Last Res in Segment.
 -aD1     atom     {All}     DC Atom Type 1 used.
 -aD2     atom     {All}     DC Atom Type 2 used.
Action Flags:
 -add   Action: d1Name + d2Name (Default)
 -sub   Action: d1Name - d2Name
 -mul   Action: d1Name * d2Name
 -div   Action: d1Name / d2Name
Other Options:
 -c1    scale [0.0]  Scale factor for d1Name
 -c2    scale [1.0]  Scale factor for d2Name


COMMOM ARGUMENTS
 -euler    Solve for Euler Angles, Da, Dr (Default).
 -noeuler  Don't Solve for Euler Angles.
 -w     wList              List of Weights for Segment.
 -excl                     Exclude Outside Range.
 -incl                     Include Any Within Range.
 -noverb                   Verbose mode OFF.
 -rem   remTxt             PDB Remark Text.
)KORVA";

}  // namespace

void writeHelpText(FILE* stream) {
  std::fputs(kHelpHead, stream);
  std::fputs(kHelpSimulation, stream);
  std::fputs(kHelpMiddle, stream);
  std::fputs(kHelpSimulation, stream);
  std::fputs(kHelpTail, stream);
}

}  // namespace korva
