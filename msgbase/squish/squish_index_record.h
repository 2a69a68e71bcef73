// One 12-byte record of a Squish index file, and the hash of the recipient
// name that it carries.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "msgbase/io/little_endian.h"
#include "msgbase/squish/squish_layout.h"

namespace kestrel::squish {

struct SquishIndexRecord {
  using Bytes = std::array<std::uint8_t, kIndexRecordSize>;

  std::uint32_t frame_offset = 0;  // the message's frame in the data file
  std::uint32_t unique_id = 0;
  std::uint32_t name_hash = 0;  // hash of the recipient name

  static SquishIndexRecord Decode(const std::uint8_t* bytes);
  void EncodeTo(std::uint8_t* bytes) const;
  Bytes Encode() const;

  friend bool operator==(const SquishIndexRecord&, const SquishIndexRecord&) = default;
};

// Inline: a kill writes the index from the killed record to its end, so
// this runs for every record behind it.
inline void SquishIndexRecord::EncodeTo(std::uint8_t* bytes) const {
  PutLe32(bytes, kIndexFrameOffset, frame_offset);
  PutLe32(bytes, kIndexUniqueIdOffset, unique_id);
  PutLe32(bytes, kIndexHashOffset, name_hash);
}

// The higher of `highest` and `uid`, counting only unique ids that are
// message numbers (up to kMaxUniqueId): larger ones cannot be asked for by
// number.
std::uint32_t HigherUniqueId(std::uint32_t highest, std::uint32_t uid);

// The hash of a recipient name: for each character h := (h << 4) + the
// character lower-cased (ASCII letters only); the top four bits, when set,
// are or-ed into bits 4-7 and kept. The result is cut to 31 bits.
std::uint32_t SquishNameHash(std::string_view name);

}  // namespace kestrel::squish
