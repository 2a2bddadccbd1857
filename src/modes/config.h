// The configuration file of the steric mode (-inp): key and number per line, recorded in the
// ensemble configuration of korvaInfo.
#pragma once

#include "core/log.h"
#include "tables/run_info.h"

namespace korva {

// Reads the configuration file into info->grid. An empty name reads nothing. Returns 0, or 1
// (said on log) when the file cannot be opened or passes the input limits, or a line lacks a key
// and a number, names an unknown key, or gives a value that is not finite (or, for a whole-number
// key, out of its range).
[[nodiscard]] int readConfig(const char* name, korvaInfo* info, Log& log);

}  // namespace korva
