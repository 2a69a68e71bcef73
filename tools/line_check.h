// The fate of one configuration line: applied to the tables exactly as
// Kestrel applies it, with a finding for whatever is ignored, cut or cannot
// work.
#pragma once

#include <string_view>

#include "tools/config_check.h"

namespace kestrel::check {

// `raw_line` is the line as read; `cut` tells that bytes beyond the 255th
// were skipped.
void CheckLine(int number, std::string_view raw_line, bool cut, CheckedConfig& checked);

}  // namespace kestrel::check
