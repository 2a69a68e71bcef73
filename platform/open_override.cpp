#include "platform/open_override.h"

#include <utility>

namespace kestrel::platform {
namespace {

std::function<DosError(std::string_view)>& Override() {
  static std::function<DosError(std::string_view)> fail;
  return fail;
}

}  // namespace

void SetOpenFailureOverride(std::function<DosError(std::string_view path)> fail) {
  Override() = std::move(fail);
}

DosError OverriddenOpenFailure(std::string_view path) {
  const auto& fail = Override();
  return fail ? fail(path) : dos_error::kNone;
}

}  // namespace kestrel::platform
