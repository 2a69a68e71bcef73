// Error numbers in the DOS/Win32 numbering.
//
// The rest of Kestrel reports operating-system failures with these numbers
// ("rc=" in messages, run-time failure codes), whatever the host system is.
// The platform layer maps its native error numbers to them in one place.
#pragma once

#include <cstdint>

namespace kestrel::platform {

using DosError = std::uint32_t;

namespace dos_error {
inline constexpr DosError kNone = 0;
inline constexpr DosError kInvalidFunction = 1;
inline constexpr DosError kFileNotFound = 2;
inline constexpr DosError kPathNotFound = 3;
inline constexpr DosError kTooManyOpenFiles = 4;
inline constexpr DosError kAccessDenied = 5;
inline constexpr DosError kInvalidHandle = 6;
inline constexpr DosError kNotEnoughMemory = 8;
inline constexpr DosError kInvalidAccess = 12;
inline constexpr DosError kInvalidData = 13;
inline constexpr DosError kNoMoreFiles = 18;
inline constexpr DosError kWriteProtect = 19;
inline constexpr DosError kSeekError = 25;
inline constexpr DosError kWriteFault = 29;
inline constexpr DosError kReadFault = 30;
inline constexpr DosError kGeneralFailure = 31;
inline constexpr DosError kSharingViolation = 32;
inline constexpr DosError kLockViolation = 33;
inline constexpr DosError kHandleDiskFull = 39;
inline constexpr DosError kNotSupported = 50;
inline constexpr DosError kFileExists = 80;
inline constexpr DosError kInvalidParameter = 87;
inline constexpr DosError kDiskFull = 112;
inline constexpr DosError kInvalidName = 123;
inline constexpr DosError kNegativeSeek = 131;
inline constexpr DosError kDirNotEmpty = 145;
inline constexpr DosError kNotLocked = 158;
inline constexpr DosError kAlreadyExists = 183;
inline constexpr DosError kFilenameTooLong = 206;
inline constexpr DosError kDirectory = 267;
// An open or create stopped at a symbolic link that is the last component of
// its path (the file layer never writes through one).
inline constexpr DosError kStoppedOnSymlink = 681;
}  // namespace dos_error

// Maps a native error number of the host system (errno on POSIX) to the
// DOS numbering. Unknown numbers map to kGeneralFailure.
DosError DosErrorFromNative(int native_error);

}  // namespace kestrel::platform
