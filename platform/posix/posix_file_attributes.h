// DOS attribute bits of POSIX entries. Internal to the POSIX platform layer.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string_view>

namespace kestrel::platform::posix {

// 10h for a directory, 20h for anything else; 01h when the owner may not
// write; 02h for a name beginning with a dot ("." and ".." excepted).
std::uint32_t AttributesOf(std::string_view name, const struct stat& status);

}  // namespace kestrel::platform::posix
