// The attribute codes of the message-base interface as Squish attribute
// bits. Codes 0001h-0200h keep their value; the others move up one bit
// (0400h file request is 0800h, ... 8000h scanned is 10000h), as in the
// Squish layout and the *.MSG attribute word. Codes outside the map (several
// bits at once, or unknown bits) have no Squish bit.
#pragma once

#include <cstdint>

namespace kestrel::squish {

// The Squish attribute bit of one attribute code, or 0 when it has none.
std::uint32_t SquishAttributeBit(std::uint32_t code);

}  // namespace kestrel::squish
