// The fields of the open message: names and subject, addresses from the
// header and the kludge lines, attributes and the two dates of the message
// header.
#include "msgbase/squish/squish_attributes.h"
#include "msgbase/squish/squish_base.h"

namespace kestrel {

std::string SquishBase::GetFrom() {
  return message_header_.From();
}

std::string SquishBase::GetTo() {
  return message_header_.To();
}

std::string SquishBase::GetSubj() {
  return message_header_.Subject();
}

void SquishBase::SetFrom(const std::string& s) {
  message_header_.SetFrom(s);
}

void SquishBase::SetTo(const std::string& s) {
  message_header_.SetTo(s);
}

void SquishBase::SetSubj(const std::string& s) {
  message_header_.SetSubject(s);
}

// The address fields of the header are where the kludge lines start from:
// a line names the parts it carries, and a message without address lines
// (plain netmail of other programs, or a new message whose addresses were
// set and whose text was then replaced) keeps the header's addresses.
void SquishBase::GetOrigAddr(FidoAddress& addr) {
  addr = message_header_.OrigAddress();
  if (GetTextStream() != nullptr) MessageBase::GetOrigAddr(addr);
}

void SquishBase::GetDestAddr(FidoAddress& addr) {
  addr = message_header_.DestAddress();
  if (GetTextStream() != nullptr) MessageBase::GetDestAddr(addr);
}

void SquishBase::GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest) {
  orig = message_header_.OrigAddress();
  dest = message_header_.DestAddress();
  if (GetTextStream() != nullptr) MessageBase::GetOrigDestAddr(orig, dest);
}

// The kludge lines as every format writes them, and the header fields, so
// that the addresses survive a text without address lines.
void SquishBase::SetOrigAddr(const FidoAddress& addr, bool new_msg_id) {
  MessageBase::SetOrigAddr(addr, new_msg_id);
  message_header_.SetOrigAddress(addr);
}

void SquishBase::SetDestAddr(const FidoAddress& addr) {
  MessageBase::SetDestAddr(addr);
  message_header_.SetDestAddress(addr);
}

bool SquishBase::GetAttr(std::uint32_t code) {
  const std::uint32_t bit = squish::SquishAttributeBit(code);
  return bit != 0 && (message_header_.Attributes() & bit) != 0;
}

void SquishBase::SetAttr(std::uint32_t code, bool on) {
  const std::uint32_t bit = squish::SquishAttributeBit(code);
  if (bit == 0) return;
  const std::uint32_t bits = message_header_.Attributes();
  message_header_.SetAttributes(on ? bits | bit : bits & ~bit);
}

void SquishBase::GetDateWritten(MsgDateTime& dt) {
  DosTimeToDateTime(message_header_.DateWritten(), dt);
}

void SquishBase::GetDateArrived(MsgDateTime& dt) {
  DosTimeToDateTime(message_header_.DateArrived(), dt);
}

void SquishBase::SetDateWritten(const MsgDateTime& dt) {
  DosTime dos;
  DateTimeToDosTime(dt, dos);
  message_header_.SetDateWritten(dos);
}

void SquishBase::SetDateArrived(const MsgDateTime& dt) {
  DosTime dos;
  DateTimeToDosTime(dt, dos);
  message_header_.SetDateArrived(dos);
}

}  // namespace kestrel
