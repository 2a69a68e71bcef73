// Origin and destination addresses as the kludge lines carry them:
//
//   MSGID: <origin> <serial>       INTL <dest 3D> <orig 3D>
//   FMPT <origin point>            TOPT <destination point>
//
// Reading a line updates only what it gives; malformed words change nothing
// or only the parts they give.
#pragma once

#include <cstdint>
#include <string>

#include "msgbase/fido/fido_address.h"

namespace kestrel {

// Updates an origin address from one MSGID, INTL or FMPT line; any other
// line changes nothing.
void ParseOrigKludgeLine(const std::string& line, FidoAddress& addr);
// Updates a destination address from one INTL or TOPT line.
void ParseDestKludgeLine(const std::string& line, FidoAddress& addr);

// The serial of a MSGID line: its third word ("" when there is none).
std::string MsgIdSerialOf(const std::string& line);
// The lines written for each kludge.
std::string MsgIdLine(const FidoAddress& orig, const std::string& serial);
std::string IntlLine(const FidoAddress& dest, const FidoAddress& orig);
// An FMPT or TOPT line: `name` followed by the point.
std::string PointLine(const char* name, std::uint16_t point);

}  // namespace kestrel
