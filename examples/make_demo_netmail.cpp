// Writes the demo's netmail area: a dozen *.MSG messages of every kind the
// demo configuration acts on. It was run once to make examples/demo/netmail;
// it is kept to show how the bundle came about and to remake it.
//
//   kestrel-make-demo DIRECTORY
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "msgbase/factory/message_base_factory.h"
#include "platform/console.h"

namespace {

using kestrel::FidoAddress;
using kestrel::MessageBase;
using kestrel::MsgDateTime;

struct DemoMessage {
  const char* from;
  FidoAddress orig;
  const char* to;
  FidoAddress dest;
  const char* subject;
  std::uint32_t attributes;
  std::vector<std::string> body;
};

const std::vector<DemoMessage>& DemoMessages() {
  static const std::vector<DemoMessage> messages = {
      {"Ivan Petrov",
       {2, 5020, 100, 0},
       "Sysop",
       {2, 5020, 1, 0},
       "Hello from Moscow",
       kestrel::AttrPrivate,
       {"Hi!", "", "Just checking that netmail works."}},
      {"Sysop",
       {2, 5020, 1, 0},
       "Areafix",
       {2, 5020, 2, 0},
       "%LIST",
       kestrel::AttrLocal | kestrel::AttrPrivate,
       {"---"}},
      {"Spam Robot",
       {1, 123, 45, 0},
       "All",
       {2, 5020, 1, 0},
       "Cheap modems!!!",
       0,
       {"Buy now, 33600 bps for the price of 2400."}},
      {"Anna Smirnova",
       {2, 5030, 7, 0},
       "Sysop",
       {2, 5020, 1, 0},
       "Invoice for November",
       kestrel::AttrPrivate,
       {"Please find the invoice attached.", "Anna"}},
      {"Pavel Orlov",
       {2, 5020, 100, 3},
       "Point Seven",
       {2, 5020, 1, 7},
       "Your new point",
       kestrel::AttrCrash,
       {"The point number 7 is yours."}},
      {"Sysop",
       {2, 5020, 1, 0},
       "Ivan Petrov",
       {2, 5020, 100, 0},
       "Re: Hello from Moscow",
       kestrel::AttrLocal,
       {"Got it, thanks."}},
      {"Maria Ivanova",
       {2, 5030, 12, 0},
       "Echo Robot",
       {2, 5020, 1, 0},
       "Echo statistics",
       kestrel::AttrSent,
       {"Statistics follow."}},
      {"Spam King", {3, 633, 1, 0}, "Sysop", {2, 5020, 1, 0}, "Win a prize", 0, {"You have won!"}},
      {"Oleg Kuznetsov",
       {2, 5020, 200, 0},
       "Sysop",
       {2, 5020, 1, 0},
       "URGENT: link down",
       kestrel::AttrCrash | kestrel::AttrPrivate,
       {"Our link is down since morning."}},
      {"Nina Volkova",
       {2, 5040, 3, 1},
       "Nina's Boss",
       {2, 5020, 1, 0},
       "Holiday plans",
       0,
       {"I am away next week."}},
      {"Dmitry Sokolov",
       {2, 5030, 44, 0},
       "Pavel Orlov",
       {2, 5020, 100, 3},
       "Question",
       kestrel::AttrPrivate,
       {"Is the BBS up?"}},
      {"Uucp Gate",
       {2, 5020, 9, 0},
       "Sysop",
       {2, 5020, 1, 0},
       "Mail delivery report",
       kestrel::AttrSent,
       {"All mail delivered."}},
  };
  return messages;
}

bool WriteMessage(MessageBase& base, const DemoMessage& message, std::uint16_t day) {
  if (!base.CreateMsg()) return false;
  base.SetFrom(message.from);
  base.SetTo(message.to);
  base.SetSubj(message.subject);
  const MsgDateTime written{10, static_cast<std::uint16_t>(day * 3), 0, 0, day, 11, 2026};
  base.SetDateWritten(written);
  base.SetDateArrived(written);
  base.SetOrigDestAddr(message.orig, message.dest, true);
  base.SetTextPos(base.GetTextSize());
  for (const std::string& line : message.body)
    base.PutTextLine(line);
  base.WriteOrigin(message.orig, "Kestrel demo");
  for (std::uint32_t mask = 1; mask <= kestrel::AttrScanned; mask <<= 1) {
    base.SetAttr(mask, (message.attributes & mask) != 0);
  }
  const bool written_ok = base.WriteMsg();
  base.CloseMsg();
  return written_ok;
}

}  // namespace

int main(int argc, char** argv) {
  kestrel::platform::ConsoleInit();
  kestrel::InstallStreamFactories();
  if (argc != 2) {
    kestrel::platform::ConsoleWriteLine("Usage: kestrel-make-demo DIRECTORY");
    return 1;
  }
  std::unique_ptr<MessageBase> base;
  if (!kestrel::OpenOrCreateBase(std::string("M") + argv[1], base)) {
    kestrel::platform::ConsoleWriteLine(std::string("Cannot create ") + argv[1]);
    return 1;
  }
  base->SetMailType(kestrel::kMailTypeNetmail);
  std::uint16_t day = 1;
  for (const DemoMessage& message : DemoMessages()) {
    if (!WriteMessage(*base, message, day++)) {
      kestrel::platform::ConsoleWriteLine("Cannot write a message");
      return 1;
    }
  }
  kestrel::CloseBase(base);
  return 0;
}
