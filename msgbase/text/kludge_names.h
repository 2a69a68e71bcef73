// The kludge lines the text operations read and write, by the prefix that
// finds, replaces and deletes each. A line written for a kludge is its
// prefix, a blank and the value (see kKludgeValueSeparator).
#pragma once

namespace kestrel {

inline constexpr char kKludgeMsgId[] = "\x01MSGID:";
inline constexpr char kKludgeIntl[] = "\x01INTL";
// Split so that the hex escape does not swallow the F.
inline constexpr char kKludgeFmpt[] =
    "\x01"
    "FMPT";
inline constexpr char kKludgeTopt[] = "\x01TOPT";

// Between a kludge's prefix and its value, and between the words of a value.
inline constexpr char kKludgeValueSeparator[] = " ";

}  // namespace kestrel
