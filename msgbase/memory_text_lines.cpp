#include "msgbase/memory_text_lines.h"

#include <algorithm>
#include <cstring>

namespace kestrel {
namespace {

// The largest count one stream Read moves.
constexpr std::size_t kMaxStreamTransfer = 0xFFFF;

std::size_t Find(std::string_view bytes, std::size_t from, char c) {
  if (from >= bytes.size()) return bytes.size();
  const void* found = std::memchr(bytes.data() + from, c, bytes.size() - from);
  return found == nullptr
             ? bytes.size()
             : static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
}

}  // namespace

MemoryTextLines::MemoryTextLines(MemStream& text) {
  const std::size_t size = static_cast<std::size_t>(std::max(text.GetSize(), 0));
  bytes_ = text.FirstBlockBytes();
  if (bytes_.size() != size) {
    copy_.resize(size);
    text.Seek(0);
    for (std::size_t at = 0; at < size;) {
      const std::size_t n = std::min(size - at, kMaxStreamTransfer);
      text.Read(copy_.data() + at, static_cast<std::uint16_t>(n));
      at += n;
    }
    bytes_ = copy_;
  }
  text.Seek(static_cast<std::int32_t>(size));
  next_zero_ = Find(bytes_, 0, '\0');
}

bool MemoryTextLines::Next(std::size_t& start, std::size_t& end, std::size_t& next) {
  if (pos_ >= bytes_.size()) return false;
  if (next_zero_ < pos_) next_zero_ = Find(bytes_, pos_, '\0');
  start = pos_;
  end = std::min(Find(bytes_, pos_, '\r'), next_zero_);
  next = end;
  if (end < bytes_.size() && ++next < bytes_.size() && bytes_[next] == '\n') ++next;
  pos_ = next;
  return true;
}

}  // namespace kestrel
