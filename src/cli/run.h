// Run frame: start-up, dispatch on the run mode and end of run.
#pragma once

namespace korva {

// Runs one mode from the command line; returns the exit status.
int runKorva(int argc, char** argv);

}  // namespace korva
