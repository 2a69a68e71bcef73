// Splits the bytes of a configuration file into lines.
//
// A line ends at LF, at CR, or at CR LF (one line end); the last line needs
// no line end. A line keeps at most 255 bytes: the rest of a longer line is
// skipped up to its line end. Every other byte, NUL included, is part of the
// line. The bytes may arrive in pieces of any size.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kestrel {

class ConfigLineSplitter {
 public:
  using LineHandler = std::function<void(std::string_view line)>;

  explicit ConfigLineSplitter(LineHandler on_line) : on_line_(std::move(on_line)) {}

  // Hands every line completed by these bytes to the handler.
  void Feed(std::string_view bytes);
  // Hands over the last line when the file did not end with a line end.
  void Finish();
  // While the handler runs: whether bytes of its line were skipped because
  // the line was longer than 255 bytes.
  bool LineWasCut() const { return line_cut_; }

 private:
  void EndLine();

  LineHandler on_line_;
  std::string line_;
  bool line_started_ = false;  // a byte of the current line has been seen
  bool after_cr_ = false;      // the previous byte was a CR
  bool line_cut_ = false;      // a byte of the current line was skipped
};

}  // namespace kestrel
