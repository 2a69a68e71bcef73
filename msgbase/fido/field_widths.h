// The fixed widths of the short strings that message headers and the
// configuration hold. Longer values are cut to these widths where they are
// stored.
#pragma once

#include <cstddef>

namespace kestrel {

// The longest short string: paths, rule actions, log entries, text lines.
inline constexpr std::size_t kMaxStringLength = 255;
// Sender and recipient names.
inline constexpr std::size_t kNameWidth = 36;
// Subjects.
inline constexpr std::size_t kSubjectWidth = 72;
// Paths of areas and files.
inline constexpr std::size_t kPathWidth = 255;

}  // namespace kestrel
