#include "app/config_line_splitter.h"

#include "msgbase/fido/field_widths.h"

namespace kestrel {

void ConfigLineSplitter::Feed(std::string_view bytes) {
  for (char c : bytes) {
    if (c == '\r') {
      EndLine();
      after_cr_ = true;
      continue;
    }
    if (c == '\n') {
      if (!after_cr_) EndLine();
      after_cr_ = false;
      continue;
    }
    after_cr_ = false;
    line_started_ = true;
    if (line_.size() < kMaxStringLength) {
      line_ += c;
    } else {
      line_cut_ = true;
    }
  }
}

void ConfigLineSplitter::Finish() {
  if (line_started_) EndLine();
}

void ConfigLineSplitter::EndLine() {
  on_line_(line_);
  line_.clear();
  line_started_ = false;
  line_cut_ = false;
}

}  // namespace kestrel
