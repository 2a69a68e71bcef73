#include "msgbase/memory_text_lines.h"

#include <algorithm>
#include <cstring>

namespace kestrel {
namespace {

// The largest count one stream Read moves.
constexpr std::size_t kMaxStreamTransfer = 0xFFFF;

std::size_t Find(const std::string& bytes, std::size_t from, char c) {
  if (from >= bytes.size()) return bytes.size();
  const void* found = std::memchr(bytes.data() + from, c, bytes.size() - from);
  return found == nullptr
             ? bytes.size()
             : static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
}

}  // namespace

MemoryTextLines::MemoryTextLines(MemStream& text) {
  bytes_.resize(static_cast<std::size_t>(std::max(text.GetSize(), 0)));
  text.Seek(0);
  for (std::size_t at = 0; at < bytes_.size();) {
    const std::size_t n = std::min(bytes_.size() - at, kMaxStreamTransfer);
    text.Read(bytes_.data() + at, static_cast<std::uint16_t>(n));
    at += n;
  }
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
