#include "tests/msgbase/squish/squish_fixture.h"

#include "msgbase/factory/message_base_factory.h"

namespace kestrel::testing {

std::string TextOf(MessageBase& base) {
  BaseStream* text = base.GetTextStream();
  if (text == nullptr) return "";
  const std::int32_t keep = text->GetPos();
  std::string bytes(static_cast<std::size_t>(text->GetSize()), '\0');
  text->Seek(0);
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t n = std::min<std::size_t>(bytes.size() - at, 0xFFFF);
    text->Read(bytes.data() + at, static_cast<std::uint16_t>(n));
    at += n;
  }
  text->Seek(keep);
  return bytes;
}

void SquishFixture::SetUp() {
  InstallStreamFactories();
}

void SquishFixture::TearDown() {
  InstallStreamFactories();
}

std::unique_ptr<SquishBase> SquishFixture::CreateBase() {
  auto base = std::make_unique<SquishBase>();
  EXPECT_TRUE(base->CreateMsgBase(Base())) << base->GetLastError();
  return base;
}

std::unique_ptr<SquishBase> SquishFixture::OpenBase() {
  auto base = std::make_unique<SquishBase>();
  EXPECT_TRUE(base->OpenMsgBase(Base())) << base->GetLastError();
  return base;
}

std::uint32_t SquishFixture::Add(SquishBase& base, const TestMessage& message) {
  if (!base.CreateMsg()) {
    ADD_FAILURE() << "CreateMsg failed: " << base.GetLastError();
    return 0;
  }
  base.SetFrom(message.from);
  base.SetTo(message.to);
  base.SetSubj(message.subject);
  base.SetDateWritten(kWritten);
  base.SetDateArrived(kArrived);
  for (const std::uint32_t code : message.attributes)
    base.SetAttr(code, true);
  BaseStream& text = *base.GetTextStream();
  for (std::size_t at = 0; at < message.text.size();) {
    const std::size_t n = std::min<std::size_t>(message.text.size() - at, 0xFFFF);
    text.Write(message.text.data() + at, static_cast<std::uint16_t>(n));
    at += n;
  }
  const auto uid = static_cast<std::uint32_t>(base.GetMsgNum());
  if (!base.WriteMsg()) {
    ADD_FAILURE() << "WriteMsg failed: " << base.GetLastError();
    return 0;
  }
  base.CloseMsg();
  return uid;
}

std::string SquishFixture::Read(SquishBase& base, std::int32_t uid) {
  base.SeekFirst(uid);
  if (base.GetMsgNum() != uid) {
    ADD_FAILURE() << "no message " << uid;
    return "";
  }
  if (!base.OpenMsg()) {
    ADD_FAILURE() << "OpenMsg " << uid << " failed: " << base.GetLastError();
    return "";
  }
  return TextOf(base);
}

std::vector<std::int32_t> SquishFixture::Scan(SquishBase& base) {
  std::vector<std::int32_t> ids;
  for (base.SeekFirst(1); base.SeekFound(); base.SeekNext())
    ids.push_back(base.GetMsgNum());
  return ids;
}

void SquishFixture::ExpectSound(const SquishCheckOptions& options) {
  const SquishCheckReport report = CheckSquishBase(Base(), options);
  EXPECT_TRUE(report.ok()) << report.Describe();
}

}  // namespace kestrel::testing
