#include "msgbase/jam/jam_subfields.h"

#include <algorithm>
#include <cstring>

#include "msgbase/io/little_endian.h"
#include "msgbase/jam/jam_layout.h"

namespace kestrel::jam {

void WalkSubfields(const std::uint8_t* area, std::size_t valid, std::uint32_t subfield_len,
                   const std::function<bool(std::uint16_t id, std::string_view data)>& visit) {
  // Sizes are compared in 64 bits: a hostile DatLen near 4 GiB must not wrap.
  const std::uint64_t limit =
      std::min<std::uint64_t>({valid, subfield_len, static_cast<std::uint64_t>(kSubfieldAreaSize)});
  std::uint64_t offset = 0;
  while (offset + kSubfieldHeadSize <= limit) {
    const std::uint8_t* head = area + offset;
    const std::uint32_t length = GetLe32(head, kSubfieldDatLenOffset);
    const std::uint64_t end = offset + kSubfieldHeadSize + length;
    if (end > limit) return;
    const std::size_t shown = std::min<std::size_t>(length, kSubfieldDataLimit);
    const std::string_view data(reinterpret_cast<const char*>(head + kSubfieldHeadSize), shown);
    if (!visit(GetLe16(head, kSubfieldLoIdOffset), data)) return;
    offset = end;
  }
}

std::vector<Subfield> ReadSubfields(const std::uint8_t* area, std::size_t valid,
                                    std::uint32_t subfield_len) {
  std::vector<Subfield> fields;
  WalkSubfields(area, valid, subfield_len, [&fields](std::uint16_t id, std::string_view data) {
    fields.push_back(Subfield{id, std::string(data)});
    return true;
  });
  return fields;
}

bool AppendSubfield(std::uint8_t* area, std::uint32_t& used, std::uint16_t id,
                    std::string_view data) {
  const std::size_t length = std::min(data.size(), kSubfieldDataLimit);
  if (used > kSubfieldAreaSize || kSubfieldAreaSize - used < kSubfieldHeadSize + length) {
    return false;
  }
  std::uint8_t* head = area + used;
  PutLe16(head, kSubfieldLoIdOffset, id);
  PutLe16(head, kSubfieldHiIdOffset, 0);
  PutLe32(head, kSubfieldDatLenOffset, static_cast<std::uint32_t>(length));
  if (length > 0) std::memcpy(head + kSubfieldHeadSize, data.data(), length);
  used += static_cast<std::uint32_t>(kSubfieldHeadSize + length);
  return true;
}

}  // namespace kestrel::jam
