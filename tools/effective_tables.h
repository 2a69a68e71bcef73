// The tables Kestrel builds from a configuration, written out with the line
// each entry comes from.
#pragma once

#include <string>

#include "tools/config_check.h"

namespace kestrel::check {

std::string EffectiveTables(const CheckedConfig& checked);

}  // namespace kestrel::check
