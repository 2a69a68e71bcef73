#include "msgbase/io/mem_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "msgbase/io/run_time_error.h"

namespace kestrel {

MemStream::MemStream() : BaseStream("", 0) {
  blocks_.emplace_back();
}

void MemStream::CopyFrom(BaseStream& source, std::int32_t count) {
  if (count <= 0) return;
  ExtendTo(position_, static_cast<std::int64_t>(position_) + count);
  BaseStream::CopyFrom(source, count);
}

void MemStream::Read(void* buffer, std::uint16_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  const std::int32_t available = std::max(size_ - position_, 0);
  const std::int32_t total = std::min<std::int32_t>(count, available);
  std::int32_t done = 0;
  while (done < total) {
    const std::int32_t at = position_ + done;
    const std::vector<std::uint8_t>& block = blocks_[at / kMemBlockSize];
    const std::int32_t offset = at % kMemBlockSize;
    const std::int32_t n = std::min(total - done, kMemBlockSize - offset);
    std::memcpy(out + done, block.data() + offset, n);
    done += n;
  }
  position_ += done;
  if (done < count) std::memset(out + done, 0, count - done);
}

void MemStream::Write(const void* buffer, std::uint16_t count) {
  const std::int64_t end = static_cast<std::int64_t>(position_) + count;
  ExtendTo(position_, end);
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::int32_t done = 0;
  while (done < count) {
    const std::int32_t at = position_ + done;
    std::vector<std::uint8_t>& block = blocks_[at / kMemBlockSize];
    const std::int32_t offset = at % kMemBlockSize;
    const std::int32_t n = std::min<std::int32_t>(count - done, kMemBlockSize - offset);
    std::memcpy(block.data() + offset, in + done, n);
    done += n;
  }
  position_ = static_cast<std::int32_t>(end);
}

void MemStream::Seek(std::int32_t position) {
  position_ = std::max(position, 0);
}

void MemStream::Truncate() {
  SetCapacity(position_);
  if (position_ > size_) Fill(size_, position_ - size_);
  size_ = position_;
}

void MemStream::Reset() {
  RaiseRunTimeError(kFailureAbstractCall);
}

void MemStream::SetCapacity(std::int64_t n) {
  const std::int64_t target = (n / kMemBlockSize + 1) * kMemBlockSize;
  if (target > std::numeric_limits<std::int32_t>::max()) RaiseRunTimeError(kFailureHeapOverflow);
  std::int64_t capacity = capacity_;
  try {
    while (capacity < target) {
      const std::int64_t chunk = std::min<std::int64_t>(target - capacity, kMemBlockSize);
      std::vector<std::uint8_t>& last = blocks_.back();
      if (static_cast<std::int64_t>(last.size()) < chunk) {
        capacity += chunk - static_cast<std::int64_t>(last.size());
        last.resize(chunk);
      } else {
        blocks_.emplace_back(chunk);
        capacity += chunk;
      }
    }
    while (capacity > target) {
      const std::int64_t excess = capacity - target;
      std::vector<std::uint8_t>& last = blocks_.back();
      const auto length = static_cast<std::int64_t>(last.size());
      if (excess > length && blocks_.size() > 1) {
        capacity -= length;
        blocks_.pop_back();
      } else {
        const std::int64_t cut = std::min(excess, length);
        last.resize(length - cut);
        last.shrink_to_fit();
        capacity -= cut;
        if (cut == 0) break;
      }
    }
  } catch (const std::bad_alloc&) {
    RaiseRunTimeError(kFailureHeapOverflow);
  }
  capacity_ = static_cast<std::int32_t>(target);
}

void MemStream::ExtendTo(std::int64_t from, std::int64_t end) {
  if (end > capacity_) SetCapacity(end);
  if (end > size_) {
    if (from > size_) Fill(size_, from - size_);
    size_ = static_cast<std::int32_t>(end);
  }
}

void MemStream::Fill(std::int64_t at, std::int64_t count) {
  while (count > 0) {
    std::vector<std::uint8_t>& block = blocks_[at / kMemBlockSize];
    const std::int64_t offset = at % kMemBlockSize;
    const std::int64_t n = std::min<std::int64_t>(count, kMemBlockSize - offset);
    std::memset(block.data() + offset, 0, n);
    at += n;
    count -= n;
  }
}

}  // namespace kestrel
