// Entry point: the run frame does everything.
#include "cli/run.h"

int main(int argc, char** argv) { return korva::runKorva(argc, argv); }
