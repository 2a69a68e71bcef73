#include "msgbase/jam/deleted_headers.h"

#include <algorithm>

namespace kestrel::jam {

std::size_t DeletedHeaders::Bit(std::int32_t header_offset) {
  const std::uint64_t hashed = static_cast<std::uint32_t>(header_offset) * 0x9E3779B97F4A7C15ull;
  return static_cast<std::size_t>(hashed >> 44);  // the top 20 bits
}

void DeletedHeaders::Insert(std::int32_t header_offset) {
  if (filter_.empty()) filter_.assign(kFilterWords, 0);
  const std::size_t bit = Bit(header_offset);
  filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
  offsets_.insert(header_offset);
}

bool DeletedHeaders::Contains(std::int32_t header_offset) const {
  if (offsets_.empty()) return false;
  const std::size_t bit = Bit(header_offset);
  if ((filter_[bit / 64] >> (bit % 64) & 1) == 0) return false;
  return offsets_.count(header_offset) != 0;
}

void DeletedHeaders::Clear() {
  if (offsets_.empty()) return;
  offsets_.clear();
  std::fill(filter_.begin(), filter_.end(), 0);
}

}  // namespace kestrel::jam
