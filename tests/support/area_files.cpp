#include "tests/support/area_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "msgbase/factory/message_base_factory.h"

namespace kestrel::testing {
namespace {

constexpr std::uint32_t kLastAttribute = 0x8000;

std::string ReadText(MessageBase& base) {
  BaseStream* stream = base.GetTextStream();
  if (stream == nullptr) return "";
  std::string bytes(static_cast<std::size_t>(stream->GetSize()), '\0');
  stream->Seek(0);
  for (std::size_t at = 0; at < bytes.size(); at += 0x8000) {
    const std::size_t n = std::min<std::size_t>(0x8000, bytes.size() - at);
    stream->Read(bytes.data() + at, static_cast<std::uint16_t>(n));
  }
  return bytes;
}

void WriteText(MessageBase& base, const std::string& text) {
  BaseStream* stream = base.GetTextStream();
  ASSERT_NE(stream, nullptr);
  stream->Seek(0);
  for (std::size_t at = 0; at < text.size(); at += 0x8000) {
    const std::string piece = text.substr(at, 0x8000);
    stream->Write(piece.data(), static_cast<std::uint16_t>(piece.size()));
  }
  stream->Truncate();
}

}  // namespace

AreaMessage Netmail(std::string from, FidoAddress orig, std::string to, FidoAddress dest,
                    std::string subj, const std::string& serial) {
  AreaMessage message;
  message.from = std::move(from);
  message.to = std::move(to);
  message.subj = std::move(subj);
  message.orig = orig;
  message.dest = dest;
  std::string text = "\x01INTL " + FormatAddress3D(dest) + " " + FormatAddress3D(orig) + "\r";
  if (orig.point != 0)
    text +=
        "\x01"
        "FMPT " +
        std::to_string(orig.point) + "\r";
  if (dest.point != 0) text += "\x01TOPT " + std::to_string(dest.point) + "\r";
  text += "\x01MSGID: " + FormatAddress(orig) + " " + serial + "\r";
  text += "Hello " + message.to + ",\rthis is " + message.subj + ".\r";
  message.text = text;
  return message;
}

void AddMessages(const std::string& id, const std::vector<AreaMessage>& messages) {
  InstallStreamFactories();
  std::unique_ptr<MessageBase> base;
  ASSERT_TRUE(OpenOrCreateBase(id, base)) << id;
  base->SetMailType(kMailTypeNetmail);
  for (const AreaMessage& message : messages) {
    ASSERT_TRUE(base->CreateMsg()) << id;
    base->SetOrigDestAddr(message.orig, message.dest, false);
    base->SetFrom(message.from);
    base->SetTo(message.to);
    base->SetSubj(message.subj);
    base->SetDateWritten(message.written);
    base->SetDateArrived(message.arrived);
    for (std::uint32_t mask = 1; mask <= kLastAttribute; mask <<= 1) {
      base->SetAttr(mask, (message.attributes & mask) != 0);
    }
    WriteText(*base, message.text);
    ASSERT_TRUE(base->WriteMsg()) << id;
    base->CloseMsg();
  }
  CloseBase(base);
}

std::vector<AreaMessage> ReadArea(const std::string& id) {
  InstallStreamFactories();
  std::vector<AreaMessage> messages;
  std::unique_ptr<MessageBase> base;
  if (!OpenBase(id, base)) return messages;
  base->SetMailType(kMailTypeNetmail);  // as the mover reads a netmail area
  base->SeekFirst(1);
  while (base->SeekFound()) {
    if (base->OpenMsg()) {
      AreaMessage message;
      message.number = base->GetMsgNum();
      message.from = base->GetFrom();
      message.to = base->GetTo();
      message.subj = base->GetSubj();
      base->GetOrigDestAddr(message.orig, message.dest);
      base->GetDateWritten(message.written);
      base->GetDateArrived(message.arrived);
      message.attributes = 0;
      for (std::uint32_t mask = 1; mask <= kLastAttribute; mask <<= 1) {
        if (base->GetAttr(mask)) message.attributes |= mask;
      }
      message.text = ReadText(*base);
      base->CloseMsg();
      messages.push_back(std::move(message));
    }
    base->SeekNext();
  }
  CloseBase(base);
  return messages;
}

bool AreaExists(const std::string& id) {
  InstallStreamFactories();
  std::unique_ptr<MessageBase> base;
  const bool exists = OpenBase(id, base);
  CloseBase(base);
  return exists;
}

std::int32_t LastReadOf(const std::string& id, std::int32_t user) {
  InstallStreamFactories();
  std::unique_ptr<MessageBase> base;
  if (!OpenBase(id, base)) return -12345;
  const std::int32_t number = base->GetLastRead(user);
  CloseBase(base);
  return number;
}

void SetLastReadOf(const std::string& id, std::int32_t user, std::int32_t number) {
  InstallStreamFactories();
  std::unique_ptr<MessageBase> base;
  ASSERT_TRUE(OpenBase(id, base)) << id;
  base->SetLastRead(user, number);
  CloseBase(base);
}

std::vector<std::string> Subjects(const std::string& id) {
  std::vector<std::string> subjects;
  for (const AreaMessage& message : ReadArea(id))
    subjects.push_back(message.subj);
  return subjects;
}

}  // namespace kestrel::testing
