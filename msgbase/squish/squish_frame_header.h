// The 28-byte header in front of every frame of a Squish data file.
#pragma once

#include <array>
#include <cstdint>

#include "msgbase/squish/squish_layout.h"

namespace kestrel::squish {

struct SquishFrameHeader {
  using Bytes = std::array<std::uint8_t, kFrameHeaderSize>;

  std::uint32_t id = 0;
  std::uint32_t next = 0;            // next frame in the same chain, 0 = none
  std::uint32_t prev = 0;            // previous frame in the same chain, 0 = none
  std::uint32_t frame_length = 0;    // bytes of room after the header
  std::uint32_t message_length = 0;  // bytes of that room in use
  std::uint32_t control_length = 0;  // control information, with its 0
  std::uint16_t frame_type = 0;
  std::uint16_t reserved = 0;

  static SquishFrameHeader Decode(const std::uint8_t* bytes);
  Bytes Encode() const;

  bool HasValidId() const { return id == kFrameId; }
  bool IsMessage() const { return HasValidId() && frame_type == kFrameTypeMessage; }
  bool IsFree() const { return HasValidId() && frame_type == kFrameTypeFree; }

  friend bool operator==(const SquishFrameHeader&, const SquishFrameHeader&) = default;
};

}  // namespace kestrel::squish
