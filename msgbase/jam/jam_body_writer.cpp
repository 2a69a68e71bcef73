#include "msgbase/jam/jam_body_writer.h"

#include <algorithm>
#include <utility>

#include "msgbase/io/stream_blocks.h"

namespace kestrel::jam {
namespace {

constexpr std::size_t kKludgeLineLimit = 255;  // a kludge line is taken up to this length
// The body is written in pieces of this size.
constexpr std::size_t kBodyPieceSize = 65536;

}  // namespace

BodyWriter::BodyWriter(std::function<bool(const std::string& line)> take_kludge, BaseStream& out)
    : take_kludge_(std::move(take_kludge)), out_(out) {}

bool BodyWriter::Feed(std::string_view piece) {
  for (std::size_t at = 0; at < piece.size();) {
    if (skip_feed_) {
      skip_feed_ = false;
      if (piece[at] == '\n') {
        ++at;
        continue;
      }
    }
    if (!in_line_) {
      in_line_ = true;
      decided_ = false;
      head_.clear();
    }
    std::size_t end = at;
    while (end < piece.size() && piece[end] != '\r' && piece[end] != '\0')
      ++end;
    const bool ended = end < piece.size();
    if (!FeedLine(piece.substr(at, end - at), ended)) return false;
    at = ended ? end + 1 : end;
  }
  return true;
}

bool BodyWriter::FeedLine(std::string_view bytes, bool ended) {
  if (!decided_) {
    // The first kKludgeLineLimit bytes of a line tell what it is.
    const std::size_t take = std::min(bytes.size(), kKludgeLineLimit - head_.size());
    head_.append(bytes.substr(0, take));
    if (head_.size() == kKludgeLineLimit || ended) {
      if (!Decide()) return false;
      if (body_line_ && !Emit(bytes.substr(take))) return false;
    }
  } else if (body_line_ && !Emit(bytes)) {
    return false;
  }
  if (!ended) return true;
  if (body_line_ && !Emit("\r")) return false;
  in_line_ = false;
  skip_feed_ = true;
  return true;
}

bool BodyWriter::Decide() {
  decided_ = true;
  body_line_ = !take_kludge_(head_);
  return !body_line_ || Emit(head_);
}

bool BodyWriter::Emit(std::string_view bytes) {
  buffer_.append(bytes);
  body_length_ += static_cast<std::int64_t>(bytes.size());
  if (buffer_.size() < kBodyPieceSize) return true;
  const bool written = WriteBlock(out_, buffer_.data(), buffer_.size());
  buffer_.clear();
  return written;
}

bool BodyWriter::Finish() {
  if (in_line_) {
    if (!decided_ && !Decide()) return false;
    if (body_line_ && !Emit("\r")) return false;
  }
  return buffer_.empty() || WriteBlock(out_, buffer_.data(), buffer_.size());
}

}  // namespace kestrel::jam
