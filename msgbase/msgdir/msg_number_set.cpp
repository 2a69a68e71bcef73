#include "msgbase/msgdir/msg_number_set.h"

#include <algorithm>
#include <bit>

namespace kestrel {

void MsgNumberSet::Clear() {
  words_.fill(0);
  count_ = 0;
}

void MsgNumberSet::Record(std::int32_t n) {
  if (!InRange(n)) return;
  words_[n / kWordBits] |= std::uint64_t{1} << (n % kWordBits);
  ++count_;
}

void MsgNumberSet::Remove(std::int32_t n) {
  if (!InRange(n)) return;
  words_[n / kWordBits] &= ~(std::uint64_t{1} << (n % kWordBits));
  --count_;
}

bool MsgNumberSet::Contains(std::int32_t n) const {
  return InRange(n) && (words_[n / kWordBits] >> (n % kWordBits) & 1) != 0;
}

// Both searches skip empty words, so a step over a long gap (or past the
// last recordable number towards a huge highest number) costs at most one
// pass over the 960 words, never one test per number.
std::int32_t MsgNumberSet::NextAfter(std::int32_t after, std::int32_t limit) const {
  const std::int32_t last = std::min(limit, kMsgNumberLimit - 1);
  if (after < 0) after = 0;
  if (after >= last) return 0;
  std::int32_t from = after + 1;
  std::size_t word = static_cast<std::size_t>(from / kWordBits);
  std::uint64_t bits = words_[word] & (~std::uint64_t{0} << (from % kWordBits));
  while (true) {
    if (bits != 0) {
      const std::int32_t found =
          static_cast<std::int32_t>(word) * kWordBits + std::countr_zero(bits);
      return found <= last ? found : 0;
    }
    if (++word == kWords) return 0;
    bits = words_[word];
  }
}

std::int32_t MsgNumberSet::PriorBefore(std::int32_t before) const {
  if (before <= 1) return 0;
  const std::int32_t from = std::min(before - 1, kMsgNumberLimit - 1);
  std::size_t word = static_cast<std::size_t>(from / kWordBits);
  const int shift = kWordBits - 1 - from % kWordBits;
  std::uint64_t bits = words_[word] & (~std::uint64_t{0} >> shift);
  while (true) {
    if (bits != 0) {
      const std::int32_t found =
          static_cast<std::int32_t>(word) * kWordBits + kWordBits - 1 - std::countl_zero(bits);
      return found >= 1 ? found : 0;
    }
    if (word == 0) return 0;
    bits = words_[--word];
  }
}

}  // namespace kestrel
