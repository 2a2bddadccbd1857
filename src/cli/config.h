// The configuration file of the steric mode (-inp): key and number per line, recorded in the
// ensemble configuration of korvaInfo.
#pragma once

#include "tables/run_info.h"

namespace korva {

// Reads the configuration file into info->grid (and the module's Pmax). An empty name reads
// nothing. Returns 0, or 1 when the file cannot be opened or a line lacks a key and a number.
int readConfig(const char* name, korvaInfo* info);
// The Pmax value of the last configuration read (10.0 until one sets it).
float getConfigPmax();
// Restores the default Pmax.
void resetConfigPmax();

}  // namespace korva
