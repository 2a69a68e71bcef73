// The attribute codes of the message-base interface and the JAM attribute
// bits they stand for.
#pragma once

#include <cstdint>

namespace kestrel::jam {

// The JAM attribute bit of one interface attribute code (AttrPrivate, ...);
// 0 for a code JAM has no bit for (AttrIsReceipt, AttrUpdateRequest,
// AttrScanned, combinations of codes).
std::uint32_t MapAttr(std::uint32_t code);

// The message-type bits that follow the mail-type flags of a base
// (kMailFlagNetmail, kMailFlagEchomail, kMailFlagLocal).
std::uint32_t TypeBitsForMailFlags(std::uint32_t mail_flags);

}  // namespace kestrel::jam
