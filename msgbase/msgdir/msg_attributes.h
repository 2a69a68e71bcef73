// How the attribute codes of the interface map onto the attribute word of a
// *.MSG header, and the name each one has in the FLAGS kludge line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The FLAGS kludge line: 01h, "FLAGS", then names separated by spaces.
inline constexpr char KludgeFlags[] =
    "\x01"
    "FLAGS";

struct MsgAttrMapping {
  std::uint32_t code;           // attribute code of the interface (one bit)
  std::uint16_t bit;            // bit of the attribute word
  std::string_view flags_name;  // empty: the code has no FLAGS name
};

// The mapping of one attribute code; nullopt for a code that has none (a
// combination of bits, 8000h or anything above 4000h). Bit 0400h of the
// attribute word is never mapped.
std::optional<MsgAttrMapping> FindMsgAttr(std::uint32_t code);

// The FLAGS line after setting (on) or clearing the name, given the line as
// it is (`found` false when the text has none). nullopt when the name
// already is where `on` wants it (nothing to do). The empty string, or a
// line with nothing after "FLAGS ", means the line is to be removed.
//   on:  appends " " + name, or starts a new line 01h "FLAGS " + name;
//   off: removes the first " " + name.
// A name counts as present when it occurs anywhere in the line.
std::optional<std::string> UpdatedFlagsLine(bool found, const std::string& line,
                                            std::string_view name, bool on);

// Whether an updated FLAGS line holds no name any more and goes away.
bool FlagsLineIsEmpty(const std::string& line);

}  // namespace kestrel
