// The header offsets a JAM base has seen carrying the deleted attribute. The
// compaction after every kill asks about each index record after the killed
// one, so an answer must be cheap: a bit array filters out almost every
// offset that is not in the set before the set itself is asked.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

namespace kestrel::jam {

class DeletedHeaders {
 public:
  void Insert(std::int32_t header_offset);
  bool Contains(std::int32_t header_offset) const;
  void Clear();

 private:
  static constexpr std::size_t kFilterWords = 1 << 14;  // 2^20 bits, 128 KB
  static std::size_t Bit(std::int32_t header_offset);

  std::unordered_set<std::int32_t> offsets_;
  // One bit per hash of an offset in the set; empty until the first offset.
  std::vector<std::uint64_t> filter_;
};

}  // namespace kestrel::jam
