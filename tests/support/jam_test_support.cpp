#include "tests/support/jam_test_support.h"

#include <cctype>
#include <filesystem>

#include "msgbase/factory/message_base_factory.h"

namespace kestrel::testing {
namespace {

std::string WithCase(std::string_view text, int (*change)(int)) {
  std::string result(text);
  for (char& c : result)
    c = static_cast<char>(change(static_cast<unsigned char>(c)));
  return result;
}

}  // namespace

std::string JamFile(const std::string& base_path, std::string_view extension) {
  const std::string lower = base_path + "." + WithCase(extension, std::tolower);
  const std::string upper = base_path + "." + WithCase(extension, std::toupper);
  if (std::filesystem::exists(lower)) return lower;
  if (std::filesystem::exists(upper)) return upper;
  return lower;
}

std::string ReadJamFile(const std::string& base_path, std::string_view extension) {
  return ReadWholeFile(JamFile(base_path, extension));
}

void WriteJamFile(const std::string& base_path, std::string_view extension,
                  std::string_view bytes) {
  std::string path = JamFile(base_path, extension);
  if (!std::filesystem::exists(path)) {
    path = base_path + "." + WithCase(extension, std::toupper);
  }
  WriteWholeFile(path, bytes);
}

JamBaseFiles LoadJamFiles(const std::string& base_path) {
  JamBaseFiles files;
  files.jhr = ReadJamFile(base_path, "jhr");
  files.jdx = ReadJamFile(base_path, "jdx");
  files.jdt = ReadJamFile(base_path, "jdt");
  return files;
}

::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
    ++at;
  return ::testing::AssertionFailure()
         << "sizes " << actual.size() << " and " << expected.size() << ", first difference at "
         << at << ": " << ::testing::PrintToString(actual.substr(at, 40)) << " instead of "
         << ::testing::PrintToString(expected.substr(at, 40));
}

std::string RawJamBase::MessageBytes(const RawMessage& message, std::uint32_t text_offset) {
  std::string subfields;
  for (const RawSubfield& field : message.subfields) {
    subfields += JamSubfieldBytes(field.id, field.data);
  }
  std::string header(kJamMessageHeaderSize, '\0');
  header.replace(kJamMsgSignatureOffset, kJamSignature.size(), kJamSignature);
  PutLe16(header, kJamMsgRevisionOffset, kJamMsgRevision);
  PutLe32(header, kJamMsgSubfieldLenOffset,
          message.subfield_len.value_or(static_cast<std::uint32_t>(subfields.size())));
  PutLe32(header, kJamMsgMsgIdCrcOffset, message.msgid_crc);
  PutLe32(header, kJamMsgReplyCrcOffset, kJamNoCrc);
  PutLe32(header, kJamMsgDateWrittenOffset, message.date_written);
  PutLe32(header, kJamMsgDateProcessedOffset, message.date_processed);
  PutLe32(header, kJamMsgAttributeOffset, message.attribute);
  PutLe32(header, kJamMsgTxtOffsetOffset, text_offset);
  PutLe32(header, kJamMsgTxtLenOffset, static_cast<std::uint32_t>(message.text.size()));
  PutLe32(header, kJamMsgPasswordCrcOffset, kJamNoCrc);
  return header + subfields;
}

RawJamBase RawJamBase::Build(const std::vector<RawMessage>& messages, std::int32_t base_msg_num) {
  RawJamBase base;
  base.jhr.assign(kJamBaseHeaderSize, '\0');
  base.jhr.replace(kJamSignatureOffset, kJamSignature.size(), kJamSignature);
  PutLe32(base.jhr, kJamBasePasswordCrcOffset, kJamNoCrc);
  base.SetBaseMsgNum(static_cast<std::uint32_t>(base_msg_num));
  base.SetActiveMsgs(static_cast<std::uint32_t>(messages.size()));
  for (const RawMessage& message : messages) {
    const auto header_offset = static_cast<std::uint32_t>(base.jhr.size());
    const auto text_offset = static_cast<std::uint32_t>(base.jdt.size());
    base.jhr += MessageBytes(message, text_offset);
    base.jdt += message.text;
    base.jdx += JamIndexRecordBytes(0, header_offset);
    base.header_offsets.push_back(header_offset);
    base.text_offsets.push_back(text_offset);
  }
  return base;
}

void RawJamBase::SetActiveMsgs(std::uint32_t value) {
  PutLe32(jhr, kJamActiveMsgsOffset, value);
}

void RawJamBase::SetBaseMsgNum(std::uint32_t value) {
  PutLe32(jhr, kJamBaseMsgNumOffset, value);
}

void RawJamBase::SetHeaderOffset(std::size_t i, std::uint32_t header_offset) {
  PutLe32(jdx, i * kJamIndexRecordSize + kJamIndexHeaderOffsetOffset, header_offset);
}

void RawJamBase::SetMessageField(std::size_t i, std::size_t offset, std::uint32_t value) {
  PutLe32(jhr, header_offsets.at(i) + offset, value);
}

void RawJamBase::Write(const std::string& base_path) const {
  WriteJamFile(base_path, "jhr", jhr);
  WriteJamFile(base_path, "jdx", jdx);
  WriteJamFile(base_path, "jdt", jdt);
  WriteJamFile(base_path, "jlr", jlr);
}

void JamBaseTest::SetUp() {
  InstallStreamFactories();
  base_path = dir.Path("netmail");
}

std::unique_ptr<JamBase> JamBaseTest::CreateBase() {
  auto base = std::make_unique<JamBase>();
  EXPECT_TRUE(base->CreateMsgBase(base_path)) << base->GetLastError();
  base->SetMailType(kMailTypeNetmail);
  return base;
}

std::unique_ptr<JamBase> JamBaseTest::OpenBase() {
  auto base = std::make_unique<JamBase>();
  EXPECT_TRUE(base->OpenMsgBase(base_path)) << std::hex << base->GetLastError();
  base->SetMailType(kMailTypeNetmail);
  return base;
}

void JamBaseTest::AddMessage(JamBase& base, const NewMessage& message) {
  ASSERT_TRUE(base.CreateMsg());
  base.SetFrom(message.from);
  base.SetTo(message.to);
  base.SetSubj(message.subject);
  base.SetTextPos(0);
  base.WriteTextBlock(message.text.data(), static_cast<std::uint16_t>(message.text.size()));
  ASSERT_TRUE(base.WriteMsg());
  base.CloseMsg();
}

void JamBaseTest::MakeBase(int count) {
  std::unique_ptr<JamBase> base = CreateBase();
  for (int n = 1; n <= count; ++n) {
    NewMessage message;
    message.subject = "Subject " + std::to_string(n);
    message.text = "Text " + std::to_string(n) + "\r";
    AddMessage(*base, message);
  }
  base->CloseMsgBase();
}

std::vector<std::string> JamBaseTest::Subjects() {
  std::vector<std::string> subjects;
  std::unique_ptr<JamBase> base = OpenBase();
  for (base->SeekFirst(1); base->SeekFound(); base->SeekNext()) {
    if (!base->OpenMsgHeader()) {
      subjects.push_back("<unreadable>");
      continue;
    }
    subjects.push_back(base->GetSubj());
    base->CloseMsg();
  }
  base->CloseMsgBase();
  return subjects;
}

void JamBaseTest::MarkDeletedInPlace(const std::vector<int>& numbers) {
  std::string jhr = File("jhr");
  const std::string jdx = File("jdx");
  for (const int number : numbers) {
    const std::uint32_t header =
        GetLe32(jdx, (number - 1) * kJamIndexRecordSize + kJamIndexHeaderOffsetOffset);
    const std::size_t at = header + kJamMsgAttributeOffset;
    PutLe32(jhr, at, GetLe32(jhr, at) | kJamAttrDeleted);
  }
  WriteJamFile(base_path, "jhr", jhr);
}

}  // namespace kestrel::testing
