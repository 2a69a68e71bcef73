#include "msgbase/squish/squish_index_record.h"

#include "msgbase/fido/crc32.h"
#include "msgbase/io/little_endian.h"

namespace kestrel::squish {

SquishIndexRecord SquishIndexRecord::Decode(const std::uint8_t* bytes) {
  return {GetLe32(bytes, kIndexFrameOffset), GetLe32(bytes, kIndexUniqueIdOffset),
          GetLe32(bytes, kIndexHashOffset)};
}

SquishIndexRecord::Bytes SquishIndexRecord::Encode() const {
  Bytes b{};
  EncodeTo(b.data());
  return b;
}

std::uint32_t HigherUniqueId(std::uint32_t highest, std::uint32_t uid) {
  return uid <= kMaxUniqueId && uid > highest ? uid : highest;
}

std::uint32_t SquishNameHash(std::string_view name) {
  constexpr std::uint32_t kTopNibble = 0xF0000000;
  constexpr std::uint32_t kResultMask = 0x7FFFFFFF;
  std::uint32_t h = 0;
  for (const char c : name) {
    h = (h << 4) + static_cast<std::uint8_t>(LowerAscii(c));
    const std::uint32_t g = h & kTopNibble;
    if (g != 0) {
      h |= g >> 24;
      h |= g;
    }
  }
  return h & kResultMask;
}

}  // namespace kestrel::squish
