#include "tests/msgbase/squish/squish_expected.h"

#include "tests/support/temp_dir.h"

namespace kestrel::testing {

namespace {

void PutText(std::string& bytes, std::size_t offset, const std::string& text) {
  bytes.replace(offset, text.size(), text);
}

void PutAddress(std::string& bytes, std::size_t offset, const ExpectedAddress& a) {
  PutLe16(bytes, offset, a.zone);
  PutLe16(bytes, offset + 2, a.net);
  PutLe16(bytes, offset + 4, a.node);
  PutLe16(bytes, offset + 6, a.point);
}

}  // namespace

std::string ExpectedBaseHeader::Bytes() const {
  std::string b(256, '\0');
  PutLe16(b, 0, 256);
  if (updating) PutLe16(b, 2, 0x5055);  // "UP"
  PutLe32(b, 4, num_messages);
  PutLe32(b, 8, high_message);
  PutLe32(b, 20, next_unique_id);
  PutText(b, 24, base_name.substr(0, 79));
  PutLe32(b, 104, first_message);
  PutLe32(b, 108, last_message);
  PutLe32(b, 112, first_free);
  PutLe32(b, 116, last_free);
  PutLe32(b, 120, end_of_data);
  PutLe32(b, 124, 65535);
  PutLe16(b, 128, 32767);
  PutLe16(b, 130, 28);
  return b;
}

std::string ExpectedFrame::Bytes() const {
  std::string b(28, '\0');
  PutLe32(b, 0, 0xAFAE4453);
  PutLe32(b, 4, next);
  PutLe32(b, 8, prev);
  PutLe32(b, 12, frame_length);
  PutLe32(b, 16, message_length);
  PutLe32(b, 20, control_length);
  PutLe16(b, 24, type);
  return b;
}

std::string ExpectedMessageHeader::Bytes() const {
  std::string b(238, '\0');
  PutLe32(b, 0, attributes);
  PutText(b, 4, from);
  PutText(b, 40, to);
  PutText(b, 76, subject);
  PutAddress(b, 148, orig);
  PutAddress(b, 156, dest);
  PutLe16(b, 164, written_date);
  PutLe16(b, 166, written_time);
  PutLe16(b, 168, arrived_date);
  PutLe16(b, 170, arrived_time);
  PutLe32(b, 214, unique_id);
  PutText(b, 218, date_text);
  return b;
}

std::string ExpectedMessageFrame(std::uint32_t next, std::uint32_t prev,
                                 const ExpectedMessageHeader& header, const std::string& control,
                                 const std::string& text, std::uint32_t frame_length) {
  const auto message_length = static_cast<std::uint32_t>(238 + control.size() + text.size() + 1);
  ExpectedFrame frame;
  frame.next = next;
  frame.prev = prev;
  frame.message_length = message_length;
  frame.frame_length = frame_length == 0 ? message_length : frame_length;
  frame.control_length = static_cast<std::uint32_t>(control.size());
  std::string bytes = frame.Bytes() + header.Bytes() + control + text + std::string(1, '\0');
  bytes.resize(28 + frame.frame_length, '\0');
  return bytes;
}

std::string ExpectedIndexRecord(std::uint32_t frame_offset, std::uint32_t unique_id,
                                std::uint32_t hash) {
  std::string b(12, '\0');
  PutLe32(b, 0, frame_offset);
  PutLe32(b, 4, unique_id);
  PutLe32(b, 8, hash);
  return b;
}

}  // namespace kestrel::testing
