// The 190-byte header at the start of every *.MSG message file, kept byte for
// byte as it is in the file. Fields are read and written at their offsets,
// little-endian; the text fields are NUL-terminated and NUL-padded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel {
namespace msgdir {

inline constexpr std::size_t kMsgHeaderSize = 190;

// Offset and width of every field.
inline constexpr std::size_t kFromOffset = 0;        // sender name, 36 bytes
inline constexpr std::size_t kToOffset = 36;         // recipient name, 36 bytes
inline constexpr std::size_t kSubjectOffset = 72;    // subject, 72 bytes
inline constexpr std::size_t kDateTextOffset = 144;  // date written as text, 20 bytes
inline constexpr std::size_t kDateTextWidth = 20;
inline constexpr std::size_t kTimesReadOffset = 164;
inline constexpr std::size_t kDestNodeOffset = 166;
inline constexpr std::size_t kOrigNodeOffset = 168;
inline constexpr std::size_t kCostOffset = 170;
inline constexpr std::size_t kOrigNetOffset = 172;
inline constexpr std::size_t kDestNetOffset = 174;
inline constexpr std::size_t kDateWrittenOffset = 176;  // packed stamp: date word, time word
inline constexpr std::size_t kDateArrivedOffset = 180;  // packed the same way
inline constexpr std::size_t kReplyToOffset = 184;
inline constexpr std::size_t kAttributeOffset = 186;
inline constexpr std::size_t kNextReplyOffset = 188;
}  // namespace msgdir

class MsgHeader {
 public:
  // All 190 bytes zero.
  void Clear() { bytes_.fill(0); }

  std::uint8_t* Bytes() { return bytes_.data(); }
  const std::uint8_t* Bytes() const { return bytes_.data(); }

  // The text field at `offset` of `width` bytes, up to its first 0 (all of
  // the field when it holds none).
  std::string GetText(std::size_t offset, std::size_t width) const;
  // Stores `text` cut to width - 1 bytes, then fills the rest of the field
  // with zeros, so the field always ends with at least one 0. Nothing
  // outside the field is touched.
  void SetText(std::size_t offset, std::size_t width, const std::string& text);

  std::uint16_t Get16(std::size_t offset) const;
  void Set16(std::size_t offset, std::uint16_t value);
  std::uint32_t Get32(std::size_t offset) const;
  void Set32(std::size_t offset, std::uint32_t value);

 private:
  std::array<std::uint8_t, msgdir::kMsgHeaderSize> bytes_{};
};

}  // namespace kestrel
