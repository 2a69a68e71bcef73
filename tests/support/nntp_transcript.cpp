#include "tests/support/nntp_transcript.h"

#include <cctype>

namespace kestrel::testing {

namespace {

std::string_view WithoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

NntpTranscript ParseNntpTranscript(std::string_view output) {
  NntpTranscript transcript;
  NntpExchange* current = nullptr;
  bool greeting_seen = false;
  while (!output.empty()) {
    const std::size_t newline = output.find('\n');
    const std::string_view line = output.substr(0, newline);
    output.remove_prefix(newline == std::string_view::npos ? output.size() : newline + 1);
    if (line.size() < 3 || line[1] != ':' || line[2] != ' ') continue;
    const std::string_view value = WithoutLineEnd(line.substr(3));
    switch (line[0]) {
      case 'C':
        transcript.exchanges.push_back({std::string(value), "", {}, false});
        current = &transcript.exchanges.back();
        break;
      case 'S':
        if (current != nullptr) {
          current->status = value;
        } else if (!greeting_seen) {
          transcript.greeting = value;
          greeting_seen = true;
        }
        break;
      case 'D':
        // jamnntpd stuffs only a line made of a single dot (as ".."); other
        // lines beginning with a dot come as they are stored, so only that
        // one form is undone here.
        if (current != nullptr) current->data.emplace_back(value == ".." ? "." : value);
        break;
      case 'Z':
        if (current != nullptr) current->data_complete = true;
        break;
      case 'N':
        current = nullptr;
        break;
      case 'E':
        transcript.errors.emplace_back(value);
        break;
      case 'W':
        transcript.warnings.emplace_back(value);
        break;
      default:
        break;
    }
  }
  return transcript;
}

int NntpStatusCode(std::string_view status) {
  if (status.size() < 3) return -1;
  int code = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(status[i]))) return -1;
    code = code * 10 + (status[i] - '0');
  }
  return code;
}

}  // namespace kestrel::testing
