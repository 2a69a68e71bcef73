#include "msgbase/squish/squish_data_file.h"

#include <algorithm>
#include <utility>

#include "msgbase/io/stream_blocks.h"
#include "msgbase/squish/squish_layout.h"

namespace kestrel::squish {

SquishDataFile::SquishDataFile(std::unique_ptr<BaseStream> stream) : stream_(std::move(stream)) {
  size_ = std::max<std::int64_t>(stream_->GetSize(), 0);
}

bool SquishDataFile::Holds(std::int64_t offset, std::int64_t length) {
  if (offset < 0 || length < 0) return false;
  if (offset + length <= size_) return true;
  if (!Ok()) return false;
  size_ = std::max<std::int64_t>(size_, stream_->GetSize());
  return offset + length <= size_;
}

void SquishDataFile::Refresh() {
  window_.Forget();
  read_end_ = -1;
  if (Ok()) size_ = std::max<std::int64_t>(stream_->GetSize(), 0);
}

bool SquishDataFile::ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t length) {
  read_end_ = -1;
  if (!Holds(offset, static_cast<std::int64_t>(length)) || !Ok()) return false;
  read_end_ = offset;
  return ReadOn(buffer, length);
}

bool SquishDataFile::ReadOn(std::uint8_t* buffer, std::size_t length) {
  if (read_end_ < 0 || !Holds(read_end_, static_cast<std::int64_t>(length)) || !Ok()) {
    read_end_ = -1;
    return false;
  }
  if (!window_.Read(*stream_, size_, read_end_, buffer, length) || !Ok()) {
    read_end_ = -1;
    return false;
  }
  read_end_ += static_cast<std::int64_t>(length);
  return true;
}

void SquishDataFile::WriteAt(std::int64_t offset, const std::uint8_t* data, std::size_t length) {
  // Callers keep offsets inside kMaxFileOffset; a position beyond it cannot
  // be reached, so the write is refused rather than wrapped onto the header.
  if (offset < 0 || offset + static_cast<std::int64_t>(length) > kMaxFileOffset) {
    refused_ = true;
    write_end_ = -1;
    return;
  }
  read_end_ = -1;
  window_.Forget();
  stream_->Seek(static_cast<std::int32_t>(offset));
  write_end_ = offset;
  WriteMore(data, length);
}

void SquishDataFile::WriteMore(const std::uint8_t* data, std::size_t length) {
  if (write_end_ < 0) return;
  window_.Forget();
  WriteBlock(*stream_, data, length);
  write_end_ += static_cast<std::int64_t>(length);
  if (Ok()) size_ = std::max(size_, write_end_);
}

void SquishDataFile::CutBackTo(std::int64_t size) {
  if (size < 0 || size > kMaxFileOffset) return;
  window_.Forget();
  const int status = stream_->Status();
  stream_->Reset();
  stream_->Seek(static_cast<std::int32_t>(size));
  stream_->Truncate();
  if (stream_->Status() == 0) size_ = size;
  // The write that failed is still to be reported.
  if (status != 0) refused_ = true;
  read_end_ = -1;
  write_end_ = -1;
}

bool SquishDataFile::ReadFrameHeader(std::uint32_t offset, SquishFrameHeader& header) {
  if (offset < kBaseHeaderSize) return false;
  SquishFrameHeader::Bytes bytes;
  if (!ReadAt(offset, bytes.data(), bytes.size())) return false;
  header = SquishFrameHeader::Decode(bytes.data());
  return true;
}

void SquishDataFile::WriteFrameHeader(std::uint32_t offset, const SquishFrameHeader& header) {
  const SquishFrameHeader::Bytes bytes = header.Encode();
  WriteAt(offset, bytes.data(), bytes.size());
}

}  // namespace kestrel::squish
