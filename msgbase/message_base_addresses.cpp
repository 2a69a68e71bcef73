// The default address operations: addresses read from and written to the
// MSGID, INTL, FMPT and TOPT kludge lines of the text.
#include "msgbase/fido/msgid_serial.h"
#include "msgbase/message_base.h"
#include "msgbase/text/address_kludges.h"

namespace kestrel {

void MessageBase::ParseOrigKludge(const std::string& line, FidoAddress& addr) {
  ParseOrigKludgeLine(line, addr);
}

void MessageBase::ParseDestKludge(const std::string& line, FidoAddress& addr) {
  ParseDestKludgeLine(line, addr);
}

void MessageBase::GetOrigAddr(FidoAddress& addr) {
  ScanAddressKludges(&addr, nullptr);
}

void MessageBase::GetDestAddr(FidoAddress& addr) {
  ScanAddressKludges(nullptr, &addr);
}

void MessageBase::GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest) {
  ScanAddressKludges(&orig, &dest);
}

void MessageBase::ScanAddressKludges(FidoAddress* orig, FidoAddress* dest) {
  text_.ForEachKludgeLine([&](const std::string& line) {
    if (orig != nullptr) ParseOrigKludge(line, *orig);
    if (dest != nullptr) ParseDestKludge(line, *dest);
  });
}

void MessageBase::SetOrigAddr(const FidoAddress& addr, bool new_msg_id) {
  std::string serial;
  std::string old_line;
  if (!new_msg_id && GetKludge(kKludgeMsgId, old_line)) {
    serial = MsgIdSerialOf(old_line);
  } else {
    serial = NewMsgIdSerial();
  }
  SetKludge(kKludgeMsgId, MsgIdLine(addr, serial));
  if (HasMailFlag(kMailFlagNetmail)) SetOrigNetmailKludges(addr);
}

void MessageBase::SetOrigNetmailKludges(const FidoAddress& addr) {
  FidoAddress dest;
  GetDestAddr(dest);
  SetKludge(kKludgeIntl, IntlLine(dest, addr));
  SetPointKludge(kKludgeFmpt, addr.point);
}

void MessageBase::SetDestAddr(const FidoAddress& addr) {
  if (!HasMailFlag(kMailFlagNetmail)) return;
  FidoAddress orig;
  GetOrigAddr(orig);
  SetKludge(kKludgeIntl, IntlLine(addr, orig));
  SetPointKludge(kKludgeTopt, addr.point);
}

void MessageBase::SetPointKludge(const char* name, std::uint16_t point) {
  if (point == 0) {
    DeleteKludgeZ(name);
  } else {
    SetKludge(name, PointLine(name, point));
  }
}

void MessageBase::SetOrigDestAddr(const FidoAddress& orig, const FidoAddress& dest,
                                  bool new_msg_id) {
  SetOrigAddr(orig, new_msg_id);
  SetDestAddr(dest);
}

}  // namespace kestrel
