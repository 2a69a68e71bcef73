#include "msgbase/text/memory_text_lines.h"

#include <algorithm>
#include <cstring>

#include "msgbase/io/stream_blocks.h"

namespace kestrel {
namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';

std::size_t Find(std::string_view bytes, std::size_t from, char c) {
  if (from >= bytes.size()) return bytes.size();
  const void* found = std::memchr(bytes.data() + from, c, bytes.size() - from);
  return found == nullptr
             ? bytes.size()
             : static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
}

}  // namespace

MemStream* WalkedInOnePiece(BaseStream& stream) {
  auto* memory = dynamic_cast<MemStream*>(&stream);
  if (memory == nullptr || memory->GetSize() > kLargestTextWalkedInOnePiece) return nullptr;
  return memory;
}

MemoryTextLines::MemoryTextLines(MemStream& text) {
  const std::size_t size = static_cast<std::size_t>(std::max(text.GetSize(), 0));
  bytes_ = text.FirstBlockBytes();
  if (bytes_.size() != size) {
    copy_.resize(size);
    text.Seek(0);
    ReadBlock(text, copy_.data(), size);
    bytes_ = copy_;
  }
  text.Seek(static_cast<std::int32_t>(size));
  next_zero_ = Find(bytes_, 0, '\0');
}

bool MemoryTextLines::Next(std::size_t& start, std::size_t& end, std::size_t& next) {
  if (pos_ >= bytes_.size()) return false;
  if (next_zero_ < pos_) next_zero_ = Find(bytes_, pos_, '\0');
  start = pos_;
  LineAt(start, next_zero_, end, next);
  pos_ = next;
  return true;
}

bool MemoryTextLines::NextStartingWith(char mark, std::size_t& start, std::size_t& end,
                                       std::size_t& next) {
  for (std::size_t at = pos_;; ++at) {
    at = Find(bytes_, at, mark);
    if (at >= bytes_.size()) {
      pos_ = bytes_.size();
      return false;
    }
    if (StartsLine(at)) {
      pos_ = at;
      return Next(start, end, next);
    }
  }
}

bool MemoryTextLines::Last(std::size_t& start, std::size_t& end, std::size_t& next) const {
  const std::size_t size = bytes_.size();
  if (size == 0) return false;
  // The last line begins after the last terminator that has bytes behind it
  // (its line feed not counted), or at the first byte when there is none.
  start = 0;
  for (std::size_t at = size; at-- > 0;) {
    if (bytes_[at] != kCarriageReturn && bytes_[at] != '\0') continue;
    std::size_t after = at + 1;
    if (after < size && bytes_[after] == kLineFeed) ++after;
    if (after < size) {
      start = after;
      break;
    }
  }
  LineAt(start, Find(bytes_, start, '\0'), end, next);
  return true;
}

bool MemoryTextLines::StartsLine(std::size_t at) const {
  if (at == 0) return true;
  const auto terminator = [this](std::size_t i) {
    return bytes_[i] == kCarriageReturn || bytes_[i] == '\0';
  };
  if (terminator(at - 1)) return bytes_[at] != kLineFeed;
  return bytes_[at - 1] == kLineFeed && at >= 2 && terminator(at - 2);
}

void MemoryTextLines::LineAt(std::size_t start, std::size_t first_zero, std::size_t& end,
                             std::size_t& next) const {
  end = std::min(Find(bytes_, start, kCarriageReturn), first_zero);
  next = end;
  if (end < bytes_.size() && ++next < bytes_.size() && bytes_[next] == kLineFeed) ++next;
}

}  // namespace kestrel
