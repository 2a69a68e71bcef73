#include "tests/msgbase/memory_format.h"

#include <algorithm>
#include <memory>

#include "msgbase/io/mem_stream.h"

namespace kestrel::testing {

void MemoryFormat::SetText(std::string_view bytes) {
  auto stream = std::make_unique<MemStream>();
  // Written in pieces: one Write moves at most 65535 bytes.
  for (std::size_t at = 0; at < bytes.size(); at += 0x8000) {
    const std::string_view piece = bytes.substr(at, 0x8000);
    stream->Write(piece.data(), static_cast<std::uint16_t>(piece.size()));
  }
  stream->Seek(0);
  SetTextStream(std::move(stream));
}

std::string MemoryFormat::TextBytes() {
  const std::int32_t pos = GetTextPos();
  std::string bytes(static_cast<std::size_t>(GetTextSize()), '\0');
  SetTextPos(0);
  for (std::size_t at = 0; at < bytes.size(); at += 0x8000) {
    const std::size_t n = std::min<std::size_t>(0x8000, bytes.size() - at);
    ReadTextBlock(bytes.data() + at, static_cast<std::uint16_t>(n));
  }
  SetTextPos(pos);
  return bytes;
}

void MemoryFormat::GetDestAddr(FidoAddress& addr) {
  if (use_header_dest) addr = header_dest;
  MessageBase::GetDestAddr(addr);
}

}  // namespace kestrel::testing
