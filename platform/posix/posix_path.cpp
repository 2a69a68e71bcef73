#include "platform/posix/posix_path.h"

namespace kestrel::platform::posix {

std::string ToNativeSeparators(std::string_view path) {
  std::string native;
  native.reserve(path.size());
  for (const char c : path) {
    if (IsSeparator(c)) {
      if (!native.empty() && native.back() == '/') continue;
      native += '/';
    } else {
      native += c;
    }
  }
  return native;
}

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  if (directory.empty()) return std::string(name);
  std::string joined(directory);
  if (joined.back() != '/') joined += '/';
  joined += name;
  return joined;
}

void SplitLast(std::string_view path, std::string& directory, std::string& name) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) {
    directory.clear();
    name = std::string(path);
    return;
  }
  directory = slash == 0 ? std::string("/") : std::string(path.substr(0, slash));
  name = std::string(path.substr(slash + 1));
}

}  // namespace kestrel::platform::posix
