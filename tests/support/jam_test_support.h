// Helpers of the JAM tests: the base's files on disk, raw bases built byte by
// byte (independently of the format's encoder, so that damaged and foreign
// bases can be made), and a fixture with a scratch directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "msgbase/jam/jam_base.h"
#include "tests/support/jam_files.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {

// The path of one of the base's files (extension without the dot, any
// case): the lower-case name when it exists, else the upper-case one when
// it exists, else the lower-case name.
std::string JamFile(const std::string& base_path, std::string_view extension);
std::string ReadJamFile(const std::string& base_path, std::string_view extension);
// Writes to the file's existing name, or to the upper-case name the format
// asks for.
void WriteJamFile(const std::string& base_path, std::string_view extension, std::string_view bytes);
// The .jhr, .jdx and .jdt files, found as JamFile does.
JamBaseFiles LoadJamFiles(const std::string& base_path);

struct RawSubfield {
  std::uint16_t id = 0;
  std::string data;
};

// One message of a raw base. Fields left empty get the values a sane base
// holds; the others let a test damage the record.
struct RawMessage {
  std::vector<RawSubfield> subfields;
  std::string text;
  std::uint32_t attribute = 0x02000000;  // netmail
  std::uint32_t date_written = 0;
  std::uint32_t date_processed = 0;
  std::uint32_t msgid_crc = 0xFFFFFFFF;
  std::optional<std::uint32_t> subfield_len;  // else the sum of the records
};

// The four files of a base as bytes, with the offsets where each message's
// header and text were put. Tests tamper with the bytes before writing them.
struct RawJamBase {
  std::string jhr;
  std::string jdx;
  std::string jdt;
  std::string jlr;
  std::vector<std::uint32_t> header_offsets;
  std::vector<std::uint32_t> text_offsets;

  // A base header (signature, ActiveMsgs = number of messages, BaseMsgNum
  // base_msg_num), one header, index record and text per message.
  static RawJamBase Build(const std::vector<RawMessage>& messages, std::int32_t base_msg_num = 1);
  // The bytes of one message header followed by its subfields.
  static std::string MessageBytes(const RawMessage& message, std::uint32_t text_offset);

  void SetActiveMsgs(std::uint32_t value);
  void SetBaseMsgNum(std::uint32_t value);
  // Points index record i at another header offset.
  void SetHeaderOffset(std::size_t i, std::uint32_t header_offset);
  // Changes a 32-bit field of message i's header (offset within the header).
  void SetMessageField(std::size_t i, std::size_t offset, std::uint32_t value);
  void Write(const std::string& base_path) const;
};

// Compares two long byte strings, reporting their sizes and the first
// difference instead of both strings.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected);

// A message made with the format's own operations.
struct NewMessage {
  std::string from = "Sysop";
  std::string to = "John Doe";
  std::string subject = "Hello";
  std::string text = "Hi\r";
};

// A scratch directory with a base path in it; the stream factories are
// installed.
class JamBaseTest : public ::testing::Test {
 protected:
  void SetUp() override;

  std::unique_ptr<JamBase> CreateBase();
  std::unique_ptr<JamBase> OpenBase();
  // CreateMsg, the fields, the text, WriteMsg and CloseMsg on a netmail base.
  static void AddMessage(JamBase& base, const NewMessage& message);
  // A new base holding messages whose texts are "Text <n>\r" and whose
  // subjects are "Subject <n>" (n counting from 1); left closed.
  void MakeBase(int count);
  // The subject of every message, in number order, read with a fresh open.
  std::vector<std::string> Subjects();
  std::string File(std::string_view extension) const { return ReadJamFile(base_path, extension); }
  // Deletes messages the way other JAM software does, in place: the header's
  // deleted attribute is set, the index and ActiveMsgs are left alone.
  void MarkDeletedInPlace(const std::vector<int>& numbers);

  TempDir dir;
  std::string base_path;
};

}  // namespace kestrel::testing
