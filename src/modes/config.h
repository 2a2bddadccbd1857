// The configuration file of the steric mode (-inp): key and number per line, recorded in the
// ensemble configuration of korvaInfo.
#pragma once

#include "core/log.h"
#include "tables/run_info.h"

namespace korva {

// Reads the configuration file into info->grid. An empty name reads nothing. Returns 0, or 1
// when the file cannot be opened or a line lacks a key and a number (said on log, which also
// names unknown keys).
[[nodiscard]] int readConfig(const char* name, korvaInfo* info, Log& log);

}  // namespace korva
