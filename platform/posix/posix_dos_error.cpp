// errno to DOS error numbers.
#include <cerrno>

#include "platform/dos_error.h"

namespace kestrel::platform {

DosError DosErrorFromNative(int native_error) {
  switch (native_error) {
    case 0:
      return dos_error::kNone;
    case ENOENT:
    case ENXIO:  // a device or FIFO with nothing behind it
      return dos_error::kFileNotFound;
    case ENOTDIR:
      return dos_error::kPathNotFound;
    case EMFILE:
    case ENFILE:
      return dos_error::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EMLINK:
      return dos_error::kAccessDenied;
    case EBADF:
      return dos_error::kInvalidHandle;
    case ENOMEM:
      return dos_error::kNotEnoughMemory;
    case EROFS:
      return dos_error::kWriteProtect;
    case EIO:
      return dos_error::kGeneralFailure;
    case EAGAIN:
    case EBUSY:
    case ETXTBSY:
      return dos_error::kSharingViolation;
    case EFBIG:
    case ENOSPC:
    case EDQUOT:
      return dos_error::kDiskFull;
    case EEXIST:
      return dos_error::kFileExists;
    case EINVAL:
    case EOVERFLOW:
      return dos_error::kInvalidParameter;
    case EDEADLK:
      return dos_error::kLockViolation;
    case ENOSYS:
    case EOPNOTSUPP:
      return dos_error::kNotSupported;
    case ENAMETOOLONG:
      return dos_error::kFilenameTooLong;
    case ENOTEMPTY:
      return dos_error::kDirNotEmpty;
    case ELOOP:
      return dos_error::kInvalidName;
    case ESPIPE:
      return dos_error::kSeekError;
    default:
      return dos_error::kGeneralFailure;
  }
}

}  // namespace kestrel::platform
