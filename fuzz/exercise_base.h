// What the format fuzz targets do with a base built from the fuzzer's bytes:
// everything the mover does with an area, and more of the interface.
#pragma once

#include <cstdint>
#include <string_view>

#include "msgbase/message_base.h"

namespace kestrel::fuzz {

// Walks the base from message 1 and reads every field of every message that
// opens (names, subject, addresses, dates, attributes, every text line and
// the kludges), then header-only opens, lastread and counts.
void ReadEveryMessage(MessageBase& base);

// Creates a message and stores it, with `text` as its text and the choices
// (attributes, kludge lines) taken from `choice`.
void WriteOneMessage(MessageBase& base, std::string_view text, std::uint8_t choice);

// Opens the message `choice` steps from the first, rewrites its header and
// kills it; when nothing is there, nothing happens.
void RewriteAndKillOne(MessageBase& base, std::uint8_t choice);

}  // namespace kestrel::fuzz
