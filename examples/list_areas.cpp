// Lists the messages of message areas: number, sender, recipient, subject
// and both addresses, one message per line.
//
//   kestrel-list AREA...
//
// AREA is an area identifier as in Kestrel's configuration: M, S or J
// followed by the path (Mnetmail, Sdemo/squish, Jdemo/jam). An area that does
// not exist is shown as missing.
#include <cstdint>
#include <memory>
#include <string>

#include "msgbase/fido/fido_address.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/fido/string_functions.h"
#include "platform/console.h"

namespace {

using kestrel::FidoAddress;
using kestrel::MessageBase;

// Pads or cuts a field for the listing's columns.
std::string Column(const std::string& text, std::size_t width) {
  std::string cell = text.substr(0, width);
  cell.resize(width, ' ');
  return cell;
}

void ListArea(const std::string& id) {
  std::unique_ptr<MessageBase> base;
  if (!kestrel::OpenBase(id, base)) {
    kestrel::platform::ConsoleWriteLine("== " + id + ": missing");
    return;
  }
  base->SetMailType(kestrel::kMailTypeNetmail);  // netmail: addresses from the INTL kludges too
  kestrel::platform::ConsoleWriteLine("== " + id + ": " + kestrel::IntToStr(base->GetMsgCount()) +
                                      " message(s)");
  base->SeekFirst(1);
  while (base->SeekFound()) {
    if (base->OpenMsg()) {
      FidoAddress orig;
      FidoAddress dest;
      base->GetOrigDestAddr(orig, dest);
      kestrel::platform::ConsoleWriteLine(
          Column(kestrel::IntToStr(base->GetMsgNum()), 4) + Column(base->GetFrom(), 16) + " -> " +
          Column(base->GetTo(), 16) + Column(base->GetSubj(), 26) + " " +
          kestrel::FormatAddress(orig) + " -> " + kestrel::FormatAddress(dest));
      base->CloseMsg();
    }
    base->SeekNext();
  }
  kestrel::CloseBase(base);
}

}  // namespace

int main(int argc, char** argv) {
  kestrel::platform::ConsoleInit();
  kestrel::InstallStreamFactories();
  if (argc < 2) {
    kestrel::platform::ConsoleWriteLine("Usage: kestrel-list AREA...");
    return 1;
  }
  for (int i = 1; i < argc; ++i)
    ListArea(argv[i]);
  return 0;
}
