#include "msgbase/jam/name_crc.h"

#include "msgbase/fido/crc32.h"

namespace kestrel {

std::uint32_t NameCrc(std::string_view s) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (const char c : s)
    crc = Crc32Update(crc, static_cast<std::uint8_t>(LowerAscii(c)));
  return crc;
}

}  // namespace kestrel
