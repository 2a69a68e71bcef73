// The getters and setters of the open message: names and subject, addresses,
// attributes with the FLAGS line, and both dates. They change the header in
// memory and the text stream only.
#include <vector>

#include "msgbase/fido/field_widths.h"
#include "msgbase/msgdir/msg_attributes.h"
#include "msgbase/msgdir/msg_date_text.h"
#include "msgbase/msgdir/msgdir_base.h"

namespace kestrel {
namespace {

using namespace msgdir;

// Zone and point live only in kludge lines; a message that names no zone is
// in the default zone.
void DefaultTheZone(FidoAddress& addr) {
  if (addr.zone == 0) addr.zone = DefaultZone;
}

}  // namespace

std::string MsgDirBase::GetFrom() {
  return header_.GetText(kFromOffset, kNameWidth);
}

std::string MsgDirBase::GetTo() {
  return header_.GetText(kToOffset, kNameWidth);
}

std::string MsgDirBase::GetSubj() {
  return header_.GetText(kSubjectOffset, kSubjectWidth);
}

void MsgDirBase::SetFrom(const std::string& s) {
  header_.SetText(kFromOffset, kNameWidth, s);
}

void MsgDirBase::SetTo(const std::string& s) {
  header_.SetText(kToOffset, kNameWidth, s);
}

void MsgDirBase::SetSubj(const std::string& s) {
  header_.SetText(kSubjectOffset, kSubjectWidth, s);
}

void MsgDirBase::GetOrigAddr(FidoAddress& addr) {
  ClearAddress(addr);
  addr.net = header_.Get16(kOrigNetOffset);
  addr.node = header_.Get16(kOrigNodeOffset);
  MessageBase::GetOrigAddr(addr);
  DefaultTheZone(addr);
}

void MsgDirBase::GetDestAddr(FidoAddress& addr) {
  ClearAddress(addr);
  addr.net = header_.Get16(kDestNetOffset);
  addr.node = header_.Get16(kDestNodeOffset);
  MessageBase::GetDestAddr(addr);
  DefaultTheZone(addr);
}

void MsgDirBase::GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest) {
  ClearAddress(orig);
  ClearAddress(dest);
  orig.net = header_.Get16(kOrigNetOffset);
  orig.node = header_.Get16(kOrigNodeOffset);
  dest.net = header_.Get16(kDestNetOffset);
  dest.node = header_.Get16(kDestNodeOffset);
  MessageBase::GetOrigDestAddr(orig, dest);
  DefaultTheZone(orig);
  DefaultTheZone(dest);
}

void MsgDirBase::SetOrigAddr(const FidoAddress& addr, bool new_msg_id) {
  MessageBase::SetOrigAddr(addr, new_msg_id);
  header_.Set16(kOrigNetOffset, addr.net);
  header_.Set16(kOrigNodeOffset, addr.node);
}

void MsgDirBase::SetDestAddr(const FidoAddress& addr) {
  MessageBase::SetDestAddr(addr);
  header_.Set16(kDestNetOffset, addr.net);
  header_.Set16(kDestNodeOffset, addr.node);
}

void MsgDirBase::SetOrigDestAddr(const FidoAddress& orig, const FidoAddress& dest,
                                 bool new_msg_id) {
  MessageBase::SetOrigDestAddr(orig, dest, new_msg_id);
  header_.Set16(kOrigNetOffset, orig.net);
  header_.Set16(kOrigNodeOffset, orig.node);
  header_.Set16(kDestNetOffset, dest.net);
  header_.Set16(kDestNodeOffset, dest.node);
}

bool MsgDirBase::GetAttr(std::uint32_t code) {
  const std::optional<MsgAttrMapping> mapping = FindMsgAttr(code);
  return mapping && (header_.Get16(kAttributeOffset) & mapping->bit) != 0;
}

void MsgDirBase::SetAttr(std::uint32_t code, bool on) {
  const std::optional<MsgAttrMapping> mapping = FindMsgAttr(code);
  if (!mapping) return;
  std::uint16_t word = header_.Get16(kAttributeOffset);
  word = on ? word | mapping->bit : word & ~mapping->bit;
  header_.Set16(kAttributeOffset, word);
  if (!mapping->flags_name.empty()) KeepFlagsLine(mapping->flags_name, on);
}

void MsgDirBase::KeepFlagsLine(std::string_view name, bool on) {
  // The whole line, as long as the kludge operations recognise lines.
  std::vector<char> buffer(LineBufferSize);
  const bool found = FindKludgeZ(KludgeFlags, buffer.data(), LineBufferSize);
  const std::string line = found ? std::string(buffer.data()) : std::string();
  const std::optional<std::string> updated = UpdatedFlagsLine(found, line, name, on);
  if (!updated) return;
  if (FlagsLineIsEmpty(*updated)) {
    DeleteKludge(KludgeFlags);
  } else {
    SetKludge(KludgeFlags, *updated);
  }
}

void MsgDirBase::GetDateWritten(MsgDateTime& dt) {
  ParseMsgDateText(header_.GetText(kDateTextOffset, kDateTextWidth), dt);
}

void MsgDirBase::GetDateArrived(MsgDateTime& dt) {
  StampToDateTime(header_.Get32(kDateArrivedOffset), dt);
}

void MsgDirBase::SetDateWritten(const MsgDateTime& dt) {
  header_.SetText(kDateTextOffset, kDateTextWidth, FormatMsgDateText(dt));
  header_.Set32(kDateWrittenOffset, DateTimeToStamp(dt));
}

void MsgDirBase::SetDateArrived(const MsgDateTime& dt) {
  header_.Set32(kDateArrivedOffset, DateTimeToStamp(dt));
}

}  // namespace kestrel
