// The Squish file layout: sizes, field offsets and fixed values of the data
// file (.SQD: base header, then frames), the index file (.SQI: 12-byte
// records) and the lastread file (.SQL: one 32-bit entry per user), and the
// error codes of the Squish format. All numbers in the files are
// little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "msgbase/io/peer_lock.h"

namespace kestrel::squish {

// --- Base header: the first 256 bytes of the data file.
inline constexpr std::uint32_t kBaseHeaderSize = 256;
inline constexpr std::size_t kBaseHeaderLengthOffset = 0;  // 16-bit, 256
inline constexpr std::size_t kBaseReservedOffset = 2;      // 16-bit
inline constexpr std::size_t kNumMessagesOffset = 4;
inline constexpr std::size_t kHighMessageOffset = 8;
inline constexpr std::size_t kSkipCountOffset = 12;
inline constexpr std::size_t kHighWaterOffset = 16;
inline constexpr std::size_t kNextUniqueIdOffset = 20;
inline constexpr std::size_t kBaseNameOffset = 24;
inline constexpr std::size_t kBaseNameWidth = 80;  // NUL-padded, at most 79 characters
inline constexpr std::size_t kFirstMessageFrameOffset = 104;
inline constexpr std::size_t kLastMessageFrameOffset = 108;
inline constexpr std::size_t kFirstFreeFrameOffset = 112;
inline constexpr std::size_t kLastFreeFrameOffset = 116;
inline constexpr std::size_t kEndOfDataOffset = 120;
inline constexpr std::size_t kMaxMessagesOffset = 124;
inline constexpr std::size_t kKeepDaysOffset = 128;         // 16-bit
inline constexpr std::size_t kFrameHeaderSizeOffset = 130;  // 16-bit

// Values a new base header gets.
inline constexpr std::uint32_t kNewMaxMessages = 65535;
inline constexpr std::uint16_t kNewKeepDays = 32767;

// --- Frame header: 28 bytes in front of every frame.
inline constexpr std::uint32_t kFrameHeaderSize = 28;
inline constexpr std::size_t kFrameIdOffset = 0;
inline constexpr std::size_t kFrameNextOffset = 4;
inline constexpr std::size_t kFramePrevOffset = 8;
inline constexpr std::size_t kFrameLengthOffset = 12;
inline constexpr std::size_t kFrameMessageLengthOffset = 16;
inline constexpr std::size_t kFrameControlLengthOffset = 20;
inline constexpr std::size_t kFrameTypeOffset = 24;      // 16-bit
inline constexpr std::size_t kFrameReservedOffset = 26;  // 16-bit

inline constexpr std::uint32_t kFrameId = 0xAFAE4453;
inline constexpr std::uint16_t kFrameTypeMessage = 0;
inline constexpr std::uint16_t kFrameTypeFree = 1;

// --- Message header: 238 bytes at the start of a message frame's room.
inline constexpr std::uint32_t kMessageHeaderSize = 238;
inline constexpr std::size_t kAttributesOffset = 0;
inline constexpr std::size_t kFromOffset = 4;
inline constexpr std::size_t kToOffset = 40;
inline constexpr std::size_t kNameFieldWidth = 36;
inline constexpr std::size_t kSubjectOffset = 76;
inline constexpr std::size_t kSubjectFieldWidth = 72;
inline constexpr std::size_t kOrigAddressOffset = 148;  // zone, net, node, point: 16-bit each
inline constexpr std::size_t kDestAddressOffset = 156;
inline constexpr std::size_t kDateWrittenOffset = 164;  // date word, then time word
inline constexpr std::size_t kDateArrivedOffset = 168;
inline constexpr std::size_t kUtcOffsetOffset = 172;  // signed 16-bit
inline constexpr std::size_t kReplyToOffset = 174;
inline constexpr std::size_t kRepliesOffset = 178;  // nine 32-bit unique ids
inline constexpr std::size_t kUniqueIdOffset = 214;
inline constexpr std::size_t kDateTextOffset = 218;
inline constexpr std::size_t kDateTextWidth = 20;  // NUL-terminated

// Attribute bit every message written by this program carries.
inline constexpr std::uint32_t kAttrBitAlwaysSet = 0x20000;

// --- Control information (the kludge lines stored in front of the text).
// The control information with its terminating 0 stays below this size.
inline constexpr std::uint32_t kControlLimit = 65520;
// The longest kludge line ("piece") the control information holds.
inline constexpr std::uint32_t kMaxKludgePiece = 16383;

// --- Index file: one record per message.
inline constexpr std::uint32_t kIndexRecordSize = 12;
inline constexpr std::size_t kIndexFrameOffset = 0;
inline constexpr std::size_t kIndexUniqueIdOffset = 4;
inline constexpr std::size_t kIndexHashOffset = 8;

// The largest unique id: message numbers are signed 32-bit.
inline constexpr std::uint32_t kMaxUniqueId = 0x7FFFFFFF;

// --- Lastread file: one 32-bit unique id per user.
inline constexpr std::uint32_t kLastReadEntrySize = 4;

// --- File name extensions (appended to the base path, which ends in ".").
inline constexpr char kDataExtension[] = "SQD";
inline constexpr char kIndexExtension[] = "SQI";
inline constexpr char kLastReadExtension[] = "SQL";

// --- Mode words of the file opens.
inline constexpr std::uint32_t kModeCreate = 0x2001;         // create, replace
inline constexpr std::uint32_t kModeCreateNew = 0x2010;      // create, never replace
inline constexpr std::uint32_t kModeOpenReadWrite = 0x2002;  // others may read
inline constexpr std::uint32_t kModeOpenReadOnly = 0x2004;   // others may read
inline constexpr std::uint32_t kModeOpenWriteOnly = 0x2008;  // others may read

// --- Last-error codes of the Squish format.
inline constexpr std::int32_t kErrorNoDataFile = 0x3000;      // .SQD missing
inline constexpr std::int32_t kErrorNoIndexFile = 0x3001;     // .SQI missing
inline constexpr std::int32_t kErrorOpenDataFile = 0x3002;    // .SQD cannot be opened or is no base
inline constexpr std::int32_t kErrorOpenIndexFile = 0x3003;   // .SQI cannot be opened or read
inline constexpr std::int32_t kErrorBaseFull = 0x3004;        // no room for another message
inline constexpr std::int32_t kErrorNoMessage = 0x3006;       // no open or current message
inline constexpr std::int32_t kErrorBadFrame = 0x3007;        // not a valid message frame
inline constexpr std::int32_t kErrorFrameIo = 0x3008;         // frame offset or frame I/O failed
inline constexpr std::int32_t kErrorCreateDataFile = 0x3009;  // .SQD cannot be created
inline constexpr std::int32_t kErrorCreateIndexFile = 0x300A;    // .SQI cannot be created
inline constexpr std::int32_t kErrorLocked = kSquishBaseLocked;  // another program kept the lock

}  // namespace kestrel::squish
