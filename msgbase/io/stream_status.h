// The status codes of streams and files. A status is sticky: it keeps the
// first failure until it is reset.
#pragma once

#include <cstdint>

namespace kestrel {

inline constexpr std::int32_t StOk = 0;           // no error so far
inline constexpr std::int32_t StError = -1;       // a seek, read, write or truncate request failed
inline constexpr std::int32_t StInitError = -2;   // the file could not be created or opened
inline constexpr std::int32_t StReadError = -3;   // a read found fewer bytes than requested
inline constexpr std::int32_t StWriteError = -4;  // a write stored fewer bytes than requested

}  // namespace kestrel
