// Expected Squish file contents, built field by field from the layout
// tables with the test support's little-endian helpers, so byte-exact tests
// compare the format's output with bytes made independently of it.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel::testing {

struct ExpectedBaseHeader {
  std::uint32_t num_messages = 0;
  std::uint32_t high_message = 0;
  std::uint32_t next_unique_id = 1;
  std::string base_name;
  std::uint32_t first_message = 0;
  std::uint32_t last_message = 0;
  std::uint32_t first_free = 0;
  std::uint32_t last_free = 0;
  std::uint32_t end_of_data = 256;
  // The mark of an update under way (offset 2): on disk from the first
  // change of a session until the base is closed.
  bool updating = false;

  // The 256 bytes; the fields not named here hold what a new base gets
  // (maximum messages 65535, keep days 32767, 28 at offset 130).
  std::string Bytes() const;
};

struct ExpectedFrame {
  std::uint32_t next = 0;
  std::uint32_t prev = 0;
  std::uint32_t frame_length = 0;
  std::uint32_t message_length = 0;
  std::uint32_t control_length = 0;
  std::uint16_t type = 0;

  // The 28-byte frame header.
  std::string Bytes() const;
};

struct ExpectedAddress {
  std::uint16_t zone = 0, net = 0, node = 0, point = 0;
};

struct ExpectedMessageHeader {
  std::uint32_t attributes = 0x20000;
  std::string from;
  std::string to;
  std::string subject;
  ExpectedAddress orig;
  ExpectedAddress dest;
  std::uint16_t written_date = 0, written_time = 0;
  std::uint16_t arrived_date = 0, arrived_time = 0;
  std::uint32_t unique_id = 0;
  std::string date_text;

  // The 238 bytes (reply links and UTC offset 0).
  std::string Bytes() const;
};

// A whole message frame: frame header, message header, control information
// (the bytes given, which include their closing 0), text, the closing 0 and
// spare room of zeros up to the frame length. Lengths are derived.
std::string ExpectedMessageFrame(std::uint32_t next, std::uint32_t prev,
                                 const ExpectedMessageHeader& header, const std::string& control,
                                 const std::string& text, std::uint32_t frame_length = 0);

std::string ExpectedIndexRecord(std::uint32_t frame_offset, std::uint32_t unique_id,
                                std::uint32_t hash);

}  // namespace kestrel::testing
