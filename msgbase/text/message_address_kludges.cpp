// Origin and destination addresses as the kludge lines carry them: MSGID,
// INTL, FMPT and TOPT. Reading derives an address from those lines; setting
// an address rewrites them.
//
//   MSGID: <origin> <serial>       INTL <dest 3D> <orig 3D>
//   FMPT <origin point>            TOPT <destination point>
#include <algorithm>
#include <string>
#include <string_view>

#include "msgbase/io/mem_stream.h"
#include "msgbase/text/memory_text_lines.h"
#include "msgbase/message_base.h"
#include "msgbase/fido/msgid_serial.h"
#include "msgbase/fido/string_functions.h"

namespace kestrel {
namespace {

constexpr char KludgeMark = '\x01';
constexpr std::string_view Blank = " ";

bool BeginsWith(const std::string& line, std::string_view prefix) {
  return std::string_view(line).substr(0, prefix.size()) == prefix;
}

// The address word of an INTL line sets zone, net and node; the point is
// carried by FMPT/TOPT only.
void ParseIntlWord(const std::string& line, int word, FidoAddress& addr) {
  const std::uint16_t point = addr.point;
  ParseAddress(ExtractWord(word, line, Blank), addr);
  addr.point = point;
}

std::uint16_t PointFromWord(const std::string& line) {
  return StrToWord(ExtractWord(2, line, Blank));
}

std::string IntlLine(const FidoAddress& dest, const FidoAddress& orig) {
  return std::string(KludgeIntl) + " " + FormatAddress3D(dest) + " " + FormatAddress3D(orig);
}

}  // namespace

void MessageBase::ParseOrigKludge(const std::string& line, FidoAddress& addr) {
  if (BeginsWith(line, KludgeMsgId)) ParseAddress(ExtractWord(2, line, Blank), addr);
  if (BeginsWith(line, KludgeIntl)) {
    ParseIntlWord(line, 3, addr);
  } else if (BeginsWith(line, KludgeFmpt)) {
    addr.point = PointFromWord(line);
  }
}

void MessageBase::ParseDestKludge(const std::string& line, FidoAddress& addr) {
  if (BeginsWith(line, KludgeIntl)) {
    ParseIntlWord(line, 2, addr);
  } else if (BeginsWith(line, KludgeTopt)) {
    addr.point = PointFromWord(line);
  }
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
  // A text in memory (of reasonable size) is read in one piece and cut into
  // lines as the line reader cuts them; only kludge lines are copied out.
  if (auto* memory = WalkedInOnePiece(TextStream())) {
    ScanAddressKludgesOf(*memory, orig, dest);
    return;
  }
  SetTextPos(0);
  const std::int32_t text_size = GetTextSize();
  std::int32_t pos = 0;
  std::string line;
  while (pos < text_size) {
    GetTextLine(line);
    if (!line.empty() && line[0] == KludgeMark) {
      if (orig != nullptr) ParseOrigKludge(line, *orig);
      if (dest != nullptr) ParseDestKludge(line, *dest);
    }
    const std::int32_t next = GetTextPos();
    if (next <= pos) break;  // a failing stream does not move: stop
    pos = next;
  }
}

void MessageBase::ScanAddressKludgesOf(MemStream& text, FidoAddress* orig, FidoAddress* dest) {
  MemoryTextLines lines(text);
  const std::string_view bytes = lines.bytes();
  std::string line;
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  while (lines.NextStartingWith(KludgeMark, start, end, next)) {
    // As GetTextLine gives it: at most TextLineLimit characters.
    line.assign(bytes.data() + start, std::min<std::size_t>(end - start, TextLineLimit));
    if (orig != nullptr) ParseOrigKludge(line, *orig);
    if (dest != nullptr) ParseDestKludge(line, *dest);
  }
}

void MessageBase::SetOrigAddr(const FidoAddress& addr, bool new_msg_id) {
  std::string serial;
  std::string old_line;
  if (!new_msg_id && GetKludge(KludgeMsgId, old_line)) {
    serial = ExtractWord(3, old_line, Blank);
  } else {
    serial = NewMsgIdSerial();
  }
  SetKludge(KludgeMsgId, std::string(KludgeMsgId) + " " + FormatAddress(addr) + " " + serial);

  if (!HasMailFlag(MailFlagNetmail)) return;
  FidoAddress dest;
  GetDestAddr(dest);
  SetKludge(KludgeIntl, IntlLine(dest, addr));
  if (addr.point == 0) {
    DeleteKludge(KludgeFmpt);
  } else {
    SetKludge(KludgeFmpt, std::string(KludgeFmpt) + " " + IntToStr(addr.point));
  }
}

void MessageBase::SetDestAddr(const FidoAddress& addr) {
  if (!HasMailFlag(MailFlagNetmail)) return;
  FidoAddress orig;
  GetOrigAddr(orig);
  SetKludge(KludgeIntl, IntlLine(addr, orig));
  if (addr.point == 0) {
    DeleteKludge(KludgeTopt);
  } else {
    SetKludge(KludgeTopt, std::string(KludgeTopt) + " " + IntToStr(addr.point));
  }
}

void MessageBase::SetOrigDestAddr(const FidoAddress& orig, const FidoAddress& dest,
                                  bool new_msg_id) {
  SetOrigAddr(orig, new_msg_id);
  SetDestAddr(dest);
}

}  // namespace kestrel
