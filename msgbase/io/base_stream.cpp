#include "msgbase/io/base_stream.h"

#include <algorithm>
#include <array>

#include "msgbase/io/stream_hooks.h"

namespace kestrel {

BaseStream::BaseStream(std::string_view name, std::uint32_t mode) : mode_(mode), name_(name) {
  if (OnStreamInit) OnStreamInit(*this, mode_, name_);
}

BaseStream::~BaseStream() {
  if (OnStreamDone) OnStreamDone(*this);
}

void BaseStream::CopyFrom(BaseStream& source, std::int32_t count) {
  std::array<std::uint8_t, kCopyChunkSize> buffer;
  while (count > 0) {
    const auto chunk = static_cast<std::uint16_t>(std::min(count, kCopyChunkSize));
    source.Read(buffer.data(), chunk);
    Write(buffer.data(), chunk);
    count -= chunk;
  }
}

bool BaseStream::Lock(std::int32_t /*position*/, std::int32_t /*length*/) {
  return true;
}

void BaseStream::Unlock(std::int32_t /*position*/, std::int32_t /*length*/) {}

}  // namespace kestrel
