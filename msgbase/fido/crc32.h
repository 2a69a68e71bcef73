// The CRC-32 step (reflected, polynomial EDB88320h) and the ASCII lower-casing
// used when names are hashed.
#pragma once

#include <cstdint>

namespace kestrel {

// One step of the reflected CRC-32. No initial value and no final complement
// of its own: callers choose both (name hashes start from FFFFFFFFh and are
// not complemented).
std::uint32_t Crc32Update(std::uint32_t crc, std::uint8_t byte);

// The table entry for one index, as Crc32Update uses it.
std::uint32_t Crc32TableEntry(std::uint8_t index);

// "A" to "Z" become "a" to "z"; every other byte is returned unchanged.
char LowerAscii(char ch);

}  // namespace kestrel
