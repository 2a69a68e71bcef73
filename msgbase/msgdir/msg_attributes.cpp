#include "msgbase/msgdir/msg_attributes.h"

#include <array>

#include "msgbase/message_base.h"

namespace kestrel {
namespace {

constexpr std::array<MsgAttrMapping, 15> kMappings{{
    {AttrPrivate, 0x0001, "PVT"},
    {AttrCrash, 0x0002, "CRA"},
    {AttrReceived, 0x0004, "RCV"},
    {AttrSent, 0x0008, "SNT"},
    {AttrFileAttached, 0x0010, "FIL"},
    {AttrInTransit, 0x0020, ""},
    {AttrOrphan, 0x0040, ""},
    {AttrKillSent, 0x0080, "K/S"},
    {AttrLocal, 0x0100, ""},
    {AttrHold, 0x0200, "HLD"},
    {AttrFileRequest, 0x0800, "FRQ"},
    {AttrReceiptRequest, 0x1000, "RRQ"},
    {AttrIsReceipt, 0x2000, ""},
    {AttrAuditRequest, 0x4000, ""},
    {AttrUpdateRequest, 0x8000, ""},
}};

// 01h, "FLAGS", a space and at least one character: a shorter line names
// nothing.
constexpr std::size_t kShortestFlagsLine = 8;

}  // namespace

std::optional<MsgAttrMapping> FindMsgAttr(std::uint32_t code) {
  for (const MsgAttrMapping& mapping : kMappings) {
    if (mapping.code == code) return mapping;
  }
  return std::nullopt;
}

std::optional<std::string> UpdatedFlagsLine(bool found, const std::string& line,
                                            std::string_view name, bool on) {
  const bool present = found && line.find(name) != std::string::npos;
  if (present == on) return std::nullopt;
  // " " + name, built by appending: GCC 12 warns falsely (-Wrestrict) about
  // operator+ on a literal and a temporary at -O3.
  std::string spaced(1, ' ');
  spaced.append(name);
  if (!found) return on ? std::string(KludgeFlags) + spaced : std::string();
  std::string updated = line;
  if (on) {
    updated += spaced;
  } else if (const std::size_t at = updated.find(spaced); at != std::string::npos) {
    updated.erase(at, spaced.size());
  }
  return updated;
}

bool FlagsLineIsEmpty(const std::string& line) {
  return line.size() < kShortestFlagsLine;
}

}  // namespace kestrel
