// The presence set of the message numbers of a *.MSG area.
//
// Numbers from 0 up to (not including) kMsgNumberLimit can be recorded; other
// numbers are silently ignored, so a file such as 65000.MSG never enters the
// set. The count moves on every Record and Remove inside that range, whether
// or not the number was already in that state: two files whose names give
// the same number (7.MSG and 07.MSG) count twice but occupy one place.
#pragma once

#include <array>
#include <cstdint>

namespace kestrel {

inline constexpr std::int32_t kMsgNumberLimit = 61440;

class MsgNumberSet {
 public:
  // Empties the set and sets the count to 0.
  void Clear();
  void Record(std::int32_t n);
  void Remove(std::int32_t n);
  // False for every number outside the recordable range.
  bool Contains(std::int32_t n) const;
  std::int32_t Count() const { return count_; }

  // The smallest recorded number m with after < m <= limit; 0 when none.
  std::int32_t NextAfter(std::int32_t after, std::int32_t limit) const;
  // The largest recorded number m with 1 <= m < before; 0 when none.
  std::int32_t PriorBefore(std::int32_t before) const;

 private:
  static constexpr int kWordBits = 64;
  static constexpr std::size_t kWords = kMsgNumberLimit / kWordBits;
  static bool InRange(std::int32_t n) { return n >= 0 && n < kMsgNumberLimit; }

  std::array<std::uint64_t, kWords> words_{};
  std::int32_t count_ = 0;
};

}  // namespace kestrel
