// The raw bytes of one *.MSG message file: the 190-byte header, the text and
// the closing 0. Lets tests build such files byte for byte and look at what a
// peer wrote, without any message-base code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel::testing {

inline constexpr std::size_t kMsgHeaderSize = 190;
inline constexpr std::size_t kMsgNameFieldSize = 36;
inline constexpr std::size_t kMsgSubjectFieldSize = 72;
inline constexpr std::size_t kMsgDateFieldSize = 20;

// Header offsets.
inline constexpr std::size_t kMsgFromOffset = 0;
inline constexpr std::size_t kMsgToOffset = 36;
inline constexpr std::size_t kMsgSubjectOffset = 72;
inline constexpr std::size_t kMsgDateTextOffset = 144;
inline constexpr std::size_t kMsgTimesReadOffset = 164;
inline constexpr std::size_t kMsgDestNodeOffset = 166;
inline constexpr std::size_t kMsgOrigNodeOffset = 168;
inline constexpr std::size_t kMsgCostOffset = 170;
inline constexpr std::size_t kMsgOrigNetOffset = 172;
inline constexpr std::size_t kMsgDestNetOffset = 174;
inline constexpr std::size_t kMsgDateWrittenOffset = 176;
inline constexpr std::size_t kMsgDateArrivedOffset = 180;
inline constexpr std::size_t kMsgReplyToOffset = 184;
inline constexpr std::size_t kMsgAttributeOffset = 186;
inline constexpr std::size_t kMsgNextReplyOffset = 188;

// Attribute word bits.
inline constexpr std::uint16_t kMsgAttrPrivate = 0x0001;
inline constexpr std::uint16_t kMsgAttrCrash = 0x0002;
inline constexpr std::uint16_t kMsgAttrReceived = 0x0004;
inline constexpr std::uint16_t kMsgAttrSent = 0x0008;
inline constexpr std::uint16_t kMsgAttrKillSent = 0x0080;
inline constexpr std::uint16_t kMsgAttrLocal = 0x0100;

struct MsgFile {
  std::string from;
  std::string to;
  std::string subject;
  std::string date_text;
  std::uint16_t times_read = 0;
  std::uint16_t dest_node = 0;
  std::uint16_t orig_node = 0;
  std::uint16_t cost = 0;
  std::uint16_t orig_net = 0;
  std::uint16_t dest_net = 0;
  std::uint32_t date_written = 0;  // packed DOS date (low word) and time (high word)
  std::uint32_t date_arrived = 0;
  std::uint16_t reply_to = 0;
  std::uint16_t attribute = 0;
  std::uint16_t next_reply = 0;
  std::string text;  // up to the first 0 after the header
};

// nullopt when the bytes are shorter than the header. Text fields end at
// their first 0 (bytes after it are ignored) or fill the whole field.
std::optional<MsgFile> DecodeMsgFile(std::string_view bytes);

// Header, text and closing 0. Text fields are cut to leave room for their 0.
std::string EncodeMsgFile(const MsgFile& message);

}  // namespace kestrel::testing
