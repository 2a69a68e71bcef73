#include "msgbase/io/run_time_error.h"

#include <string_view>

namespace kestrel {

std::string RunTimeError::module() const {
  std::string_view file = where_.file_name();
  const std::size_t slash = file.find_last_of("/\\");
  if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
  const std::size_t dot = file.find('.');
  if (dot != std::string_view::npos) file = file.substr(0, dot);
  return std::string(file);
}

void RaiseRunTimeError(int code, SourceLocation where) {
  throw RunTimeError(code, where);
}

}  // namespace kestrel
