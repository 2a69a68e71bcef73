// Little-endian encoding of on-disk records, field by field.
//
// Every binary record of the message-base formats is read and written through
// these helpers at named offsets; no struct is ever laid over file bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestrel {

inline std::uint16_t GetLe16(const std::uint8_t* bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::uint32_t GetLe32(const std::uint8_t* bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) |
         static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

inline std::int16_t GetLeSigned16(const std::uint8_t* bytes, std::size_t offset) {
  return static_cast<std::int16_t>(GetLe16(bytes, offset));
}

inline std::int32_t GetLeSigned32(const std::uint8_t* bytes, std::size_t offset) {
  return static_cast<std::int32_t>(GetLe32(bytes, offset));
}

inline void PutLe16(std::uint8_t* bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutLe32(std::uint8_t* bytes, std::size_t offset, std::uint32_t value) {
  // Built in a local array and copied: the compiler can then store the four
  // bytes at once (the target bytes may alias anything, a local cannot).
  const std::uint8_t le[4] = {
      static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  std::memcpy(bytes + offset, le, sizeof le);
}

}  // namespace kestrel
