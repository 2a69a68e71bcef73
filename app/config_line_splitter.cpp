#include "app/config_line_splitter.h"

#include "msgbase/fido/field_widths.h"

namespace kestrel {

void ConfigLineSplitter::Feed(std::string_view bytes) {
  for (char c : bytes) {
    if (c == '\r') {
      EndLine();
      afterCr_ = true;
      continue;
    }
    if (c == '\n') {
      if (!afterCr_) EndLine();
      afterCr_ = false;
      continue;
    }
    afterCr_ = false;
    lineStarted_ = true;
    if (line_.size() < kMaxStringLength) {
      line_ += c;
    } else {
      lineCut_ = true;
    }
  }
}

void ConfigLineSplitter::Finish() {
  if (lineStarted_) EndLine();
}

void ConfigLineSplitter::EndLine() {
  onLine_(line_);
  line_.clear();
  lineStarted_ = false;
  lineCut_ = false;
}

}  // namespace kestrel
