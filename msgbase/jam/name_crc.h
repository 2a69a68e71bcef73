// The name checksum of JAM bases: the index records' RecipientCRC and the
// MSGID and REPLY checksums of message headers.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrel {

// CRC-32 (reflected table) starting from FFFFFFFFh over the bytes of s with
// ASCII letters lower-cased, without the final inversion. So "abc" and "ABC"
// both give CADBBE3Dh (the standard CRC-32 of "abc", 352441C2h, inverted).
std::uint32_t NameCrc(std::string_view s);

}  // namespace kestrel
