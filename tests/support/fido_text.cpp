#include "tests/support/fido_text.h"

namespace kestrel::testing {

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t cr = text.find('\r');
    lines.emplace_back(text.substr(0, cr));
    if (cr == std::string_view::npos) break;
    text.remove_prefix(cr + 1);
    if (!text.empty() && text.front() == '\n') text.remove_prefix(1);
  }
  return lines;
}

namespace {

// The kludge name of a line (the characters after 01h up to a colon or a
// space); empty for lines that are not kludges.
std::string_view KludgeName(std::string_view line) {
  if (line.empty() || line.front() != kKludgeMark) return {};
  line.remove_prefix(1);
  return line.substr(0, line.find_first_of(": "));
}

}  // namespace

std::optional<std::string> FindKludge(std::string_view text, std::string_view name) {
  for (const std::string& line : SplitTextLines(text)) {
    if (name.empty() || KludgeName(line) != name) continue;
    std::string_view value = std::string_view(line).substr(1 + name.size());
    if (!value.empty() && value.front() == ':') value.remove_prefix(1);
    if (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    return std::string(value);
  }
  return std::nullopt;
}

std::vector<std::string> KludgeNames(std::string_view text) {
  std::vector<std::string> names;
  for (const std::string& line : SplitTextLines(text)) {
    if (!line.empty() && line.front() == kKludgeMark) names.emplace_back(KludgeName(line));
  }
  return names;
}

std::vector<std::string> BodyLines(std::string_view text) {
  std::vector<std::string> body;
  for (std::string& line : SplitTextLines(text)) {
    if (line.empty() || line.front() != kKludgeMark) body.push_back(std::move(line));
  }
  return body;
}

}  // namespace kestrel::testing
