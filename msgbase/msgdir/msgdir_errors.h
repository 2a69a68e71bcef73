// The codes a *.MSG area records in LastError.
#pragma once

#include <cstdint>

namespace kestrel {

// OpenMsgBase: the directory does not exist.
inline constexpr std::int32_t MsgDirErrorNoDirectory = 0x1000;
// OpenMsg, OpenMsgHeader: the current number is not in the number set.
inline constexpr std::int32_t MsgDirErrorNoSuchMessage = 0x1001;
// OpenMsg, OpenMsgHeader: the message file cannot be opened or read, or the
// text stream cannot be made.
inline constexpr std::int32_t MsgDirErrorCannotOpen = 0x1002;
// CloseMsg: no message is open.
inline constexpr std::int32_t MsgDirErrorNotOpen = 0x1003;

}  // namespace kestrel
