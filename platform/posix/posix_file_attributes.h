// DOS attribute bits of POSIX entries. Internal to the POSIX platform layer.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string_view>

namespace kestrel::platform::posix {

// 10h for a directory, 20h for anything else; 01h when the owner may not
// write; 02h for a name beginning with a dot ("." and ".." excepted); 40h
// for a device, FIFO or socket; 400h when `is_link` (the entry is a symbolic
// link and `status` what it points to).
std::uint32_t AttributesOf(std::string_view name, const struct stat& status, bool is_link = false);

}  // namespace kestrel::platform::posix
