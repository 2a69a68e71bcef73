// Names, subject, addresses, attributes and dates of the current message,
// and its subfields.
#include "msgbase/fido/date_time.h"
#include "msgbase/fido/field_widths.h"
#include "msgbase/jam/jam_attributes.h"
#include "msgbase/jam/jam_base.h"
#include "msgbase/jam/jam_subfields.h"
#include "msgbase/io/little_endian.h"

namespace kestrel {
namespace {

using namespace jam;

std::string Cut(const std::string& s) {
  return s.substr(0, kMaxStringLength);
}

}  // namespace

std::uint32_t JamBase::HeaderField(std::size_t offset) const {
  return GetLe32(MsgHeader.data(), offset);
}

void JamBase::SetHeaderField(std::size_t offset, std::uint32_t value) {
  PutLe32(MsgHeader.data(), offset, value);
}

std::string JamBase::GetFrom() {
  return From;
}
std::string JamBase::GetTo() {
  return To;
}
std::string JamBase::GetSubj() {
  return Subject;
}
void JamBase::SetFrom(const std::string& s) {
  From = Cut(s);
}
void JamBase::SetTo(const std::string& s) {
  To = Cut(s);
}
void JamBase::SetSubj(const std::string& s) {
  Subject = Cut(s);
}

// The addresses are those of the address subfields (or, for a new message,
// the ones last set), with the parts the kludge lines of the text carry taken
// from those lines: a text without address lines keeps them.
void JamBase::GetOrigAddr(FidoAddress& addr) {
  addr = OrigAddr;
  if (GetTextStream() != nullptr) MessageBase::GetOrigAddr(addr);
}

void JamBase::GetDestAddr(FidoAddress& addr) {
  addr = DestAddr;
  if (GetTextStream() != nullptr) MessageBase::GetDestAddr(addr);
}

void JamBase::GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest) {
  orig = OrigAddr;
  dest = DestAddr;
  if (GetTextStream() != nullptr) MessageBase::GetOrigDestAddr(orig, dest);
}

void JamBase::SetOrigAddr(const FidoAddress& addr, bool new_msg_id) {
  MessageBase::SetOrigAddr(addr, new_msg_id);
  OrigAddr = addr;
}

void JamBase::SetDestAddr(const FidoAddress& addr) {
  MessageBase::SetDestAddr(addr);
  DestAddr = addr;
}

bool JamBase::GetAttr(std::uint32_t code) {
  const std::uint32_t bit = MapAttr(code);
  return bit != 0 && (HeaderField(kMsgAttributeOffset) & bit) != 0;
}

void JamBase::SetAttr(std::uint32_t code, bool on) {
  const std::uint32_t bit = MapAttr(code);
  if (bit == 0) return;
  const std::uint32_t attribute = HeaderField(kMsgAttributeOffset);
  SetHeaderField(kMsgAttributeOffset, on ? attribute | bit : attribute & ~bit);
}

void JamBase::GetDateWritten(MsgDateTime& dt) {
  UnixToDateTime(HeaderField(kMsgDateWrittenOffset), dt);
}

void JamBase::GetDateArrived(MsgDateTime& dt) {
  UnixToDateTime(HeaderField(kMsgDateProcessedOffset), dt);
}

void JamBase::SetDateWritten(const MsgDateTime& dt) {
  SetHeaderField(kMsgDateWrittenOffset, DateTimeToUnix(dt));
}

void JamBase::SetDateArrived(const MsgDateTime& dt) {
  SetHeaderField(kMsgDateProcessedOffset, DateTimeToUnix(dt));
}

bool JamBase::GetSubfield(int n, std::uint16_t& id, std::string& data) {
  if (n < 1) return false;
  int seen = 0;
  bool found = false;
  WalkSubfields(Subfields(), subfield_bytes_, HeaderField(kMsgSubfieldLenOffset),
                [&](std::uint16_t record_id, std::string_view record_data) {
                  if (++seen < n) return true;
                  id = record_id;
                  data.assign(record_data);
                  found = true;
                  return false;
                });
  return found;
}

bool JamBase::AddSubfield(std::uint16_t id, const std::string& data) {
  if (subfields_full_) return false;
  std::uint32_t used = HeaderField(kMsgSubfieldLenOffset);
  if (!AppendSubfield(Subfields(), used, id, data)) {
    subfields_full_ = true;
    return false;
  }
  SetHeaderField(kMsgSubfieldLenOffset, used);
  subfield_bytes_ = used;
  return true;
}

}  // namespace kestrel
