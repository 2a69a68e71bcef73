// Names, subject, addresses, attributes and dates of the current message,
// and its subfields.
#include "msgbase/fido/date_time.h"
#include "msgbase/fido/field_widths.h"
#include "msgbase/jam/jam_attributes.h"
#include "msgbase/jam/jam_base.h"
#include "msgbase/jam/jam_subfields.h"

namespace kestrel {
namespace {

using namespace jam;

std::string Cut(const std::string& s) {
  return s.substr(0, kMaxStringLength);
}

}  // namespace

std::string JamBase::GetFrom() {
  return from_;
}
std::string JamBase::GetTo() {
  return to_;
}
std::string JamBase::GetSubj() {
  return subject_;
}
void JamBase::SetFrom(const std::string& s) {
  from_ = Cut(s);
}
void JamBase::SetTo(const std::string& s) {
  to_ = Cut(s);
}
void JamBase::SetSubj(const std::string& s) {
  subject_ = Cut(s);
}

// The addresses are those of the address subfields (or, for a new message,
// the ones last set), with the parts the kludge lines of the text carry taken
// from those lines: a text without address lines keeps them.
void JamBase::GetOrigAddr(FidoAddress& addr) {
  addr = orig_addr_;
  if (GetTextStream() != nullptr) MessageBase::GetOrigAddr(addr);
}

void JamBase::GetDestAddr(FidoAddress& addr) {
  addr = dest_addr_;
  if (GetTextStream() != nullptr) MessageBase::GetDestAddr(addr);
}

void JamBase::GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest) {
  orig = orig_addr_;
  dest = dest_addr_;
  if (GetTextStream() != nullptr) MessageBase::GetOrigDestAddr(orig, dest);
}

void JamBase::SetOrigAddr(const FidoAddress& addr, bool new_msg_id) {
  MessageBase::SetOrigAddr(addr, new_msg_id);
  orig_addr_ = addr;
}

void JamBase::SetDestAddr(const FidoAddress& addr) {
  MessageBase::SetDestAddr(addr);
  dest_addr_ = addr;
}

bool JamBase::GetAttr(std::uint32_t code) {
  const std::uint32_t bit = MapAttr(code);
  return bit != 0 && (msg_header_.attribute & bit) != 0;
}

void JamBase::SetAttr(std::uint32_t code, bool on) {
  const std::uint32_t bit = MapAttr(code);
  if (bit == 0) return;
  msg_header_.attribute = on ? msg_header_.attribute | bit : msg_header_.attribute & ~bit;
}

void JamBase::GetDateWritten(MsgDateTime& dt) {
  UnixToDateTime(msg_header_.date_written, dt);
}

void JamBase::GetDateArrived(MsgDateTime& dt) {
  UnixToDateTime(msg_header_.date_processed, dt);
}

void JamBase::SetDateWritten(const MsgDateTime& dt) {
  msg_header_.date_written = DateTimeToUnix(dt);
}

void JamBase::SetDateArrived(const MsgDateTime& dt) {
  msg_header_.date_processed = DateTimeToUnix(dt);
}

bool JamBase::GetSubfield(int n, std::uint16_t& id, std::string& data) {
  if (n < 1) return false;
  int seen = 0;
  bool found = false;
  WalkSubfields(Subfields(), subfield_bytes_, msg_header_.subfield_len,
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
  std::uint32_t used = msg_header_.subfield_len;
  if (!AppendSubfield(Subfields(), used, id, data)) {
    subfields_full_ = true;
    return false;
  }
  msg_header_.subfield_len = used;
  subfield_bytes_ = used;
  return true;
}

}  // namespace kestrel
