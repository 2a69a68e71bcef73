// The program's name, version and the tags of its log entries.
#pragma once

#include <string_view>

namespace kestrel {

// Names the program in the banner and tags the start entry of the log.
inline constexpr std::string_view kProgramTag = "Kestrel/WIN32 1.08b4";
// Tags every other log entry.
inline constexpr std::string_view kLogTag = "KL 1.08b4";
// The banner's first line, after kProgramTag and ", ".
inline constexpr std::string_view kMakerNotice = "written by the Kestrel developers,";
inline constexpr std::string_view kReleaseDate = "15.06.2000.";

}  // namespace kestrel
