// Windows error codes are the DOS numbering itself (ERROR_FILE_NOT_FOUND is
// 2, ERROR_SHARING_VIOLATION 32, ERROR_LOCK_VIOLATION 33, ...): they pass
// through unchanged, so "rc=" shows what Windows said.
#include "platform/dos_error.h"

namespace kestrel::platform {

DosError DosErrorFromNative(int native_error) {
  if (native_error < 0) return dos_error::kGeneralFailure;
  return static_cast<DosError>(native_error);
}

}  // namespace kestrel::platform
