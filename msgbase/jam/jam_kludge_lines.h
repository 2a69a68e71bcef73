// The kludge lines (and SEEN-BY lines) a JAM base keeps as subfields of their
// own, by the text before the subfield's value. Reading a message turns each
// subfield back into its line; writing one turns each line into its
// subfield. Any other line starting with 01h is kept whole (without the 01h)
// as an FTSKLUDGE subfield.
#pragma once

#include <cstdint>
#include <string_view>

#include "msgbase/jam/jam_layout.h"

namespace kestrel::jam {

struct KludgeLine {
  std::string_view prefix;  // the line up to the subfield's value
  std::uint16_t id;         // the subfield
  bool stored;              // written as this subfield (else as FTSKLUDGE)
  bool after_body;          // read back after the body, not before it
};

inline constexpr KludgeLine kKludgeLines[] = {
    {"\x01MSGID: ", kSubMsgId, true, false},
    {"\x01REPLY: ", kSubReplyId, true, false},
    {"\x01PID: ", kSubPid, true, false},
    {"\x01"
     "FLAGS: ",
     kSubFlags, true, false},
    // Read from bases that keep it (hpt does); Kestrel writes the line as an
    // FTSKLUDGE, as it came.
    {"\x01TZUTC: ", kSubTzUtcInfo, false, false},
    {"\x01Via ", kSubTrace, true, true},
    {"SEEN-BY: ", kSubSeenBy2D, true, true},
    {"\x01PATH: ", kSubPath2D, true, true},
};

// The entry for subfield `id`, or nullptr when it stands for no such line.
constexpr const KludgeLine* KludgeLineOf(std::uint16_t id) {
  for (const KludgeLine& line : kKludgeLines) {
    if (line.id == id) return &line;
  }
  return nullptr;
}

}  // namespace kestrel::jam
