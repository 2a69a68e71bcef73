// The codes a *.MSG area records in LastError.
#pragma once

#include <cstdint>

namespace kestrel::msgdir {

// OpenMsgBase: the directory does not exist.
inline constexpr std::int32_t kErrorNoDirectory = 0x1000;
// OpenMsg, OpenMsgHeader: the current number is not in the number set.
inline constexpr std::int32_t kErrorNoSuchMessage = 0x1001;
// OpenMsg, OpenMsgHeader: the message file cannot be opened or read, or the
// text stream cannot be made.
inline constexpr std::int32_t kErrorCannotOpen = 0x1002;
// CloseMsg: no message is open.
inline constexpr std::int32_t kErrorNotOpen = 0x1003;

}  // namespace kestrel::msgdir
