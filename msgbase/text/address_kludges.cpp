#include "msgbase/text/address_kludges.h"

#include <string_view>

#include "msgbase/fido/string_functions.h"
#include "msgbase/text/kludge_names.h"

namespace kestrel {
namespace {

bool BeginsWith(const std::string& line, std::string_view prefix) {
  return std::string_view(line).substr(0, prefix.size()) == prefix;
}

// The address word of an INTL line sets zone, net and node; the point is
// carried by FMPT/TOPT only.
void ParseIntlWord(const std::string& line, int word, FidoAddress& addr) {
  const std::uint16_t point = addr.point;
  ParseAddress(ExtractWord(word, line, kKludgeValueSeparator), addr);
  addr.point = point;
}

std::uint16_t PointFromWord(const std::string& line) {
  return StrToWord(ExtractWord(2, line, kKludgeValueSeparator));
}

}  // namespace

void ParseOrigKludgeLine(const std::string& line, FidoAddress& addr) {
  if (BeginsWith(line, kKludgeMsgId)) {
    ParseAddress(ExtractWord(2, line, kKludgeValueSeparator), addr);
  }
  if (BeginsWith(line, kKludgeIntl)) {
    ParseIntlWord(line, 3, addr);
  } else if (BeginsWith(line, kKludgeFmpt)) {
    addr.point = PointFromWord(line);
  }
}

void ParseDestKludgeLine(const std::string& line, FidoAddress& addr) {
  if (BeginsWith(line, kKludgeIntl)) {
    ParseIntlWord(line, 2, addr);
  } else if (BeginsWith(line, kKludgeTopt)) {
    addr.point = PointFromWord(line);
  }
}

std::string MsgIdSerialOf(const std::string& line) {
  return ExtractWord(3, line, kKludgeValueSeparator);
}

std::string MsgIdLine(const FidoAddress& orig, const std::string& serial) {
  return std::string(kKludgeMsgId) + kKludgeValueSeparator + FormatAddress(orig) +
         kKludgeValueSeparator + serial;
}

std::string IntlLine(const FidoAddress& dest, const FidoAddress& orig) {
  return std::string(kKludgeIntl) + kKludgeValueSeparator + FormatAddress3D(dest) +
         kKludgeValueSeparator + FormatAddress3D(orig);
}

std::string PointLine(const char* name, std::uint16_t point) {
  return std::string(name) + kKludgeValueSeparator + IntToStr(point);
}

}  // namespace kestrel
