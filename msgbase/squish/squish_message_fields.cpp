// The fields of the open message: names and subject, addresses from the
// kludge lines, attributes and the two dates of the message header.
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

// The address fields of the header are written for other programs but
// never read here: the kludge lines are the only source. Without an open
// message there are no lines and the address stays 0:0/0.0.
void SquishBase::GetOrigAddr(FidoAddress& addr) {
  addr = FidoAddress();
  if (GetTextStream() != nullptr) MessageBase::GetOrigAddr(addr);
}

void SquishBase::GetDestAddr(FidoAddress& addr) {
  addr = FidoAddress();
  if (GetTextStream() != nullptr) MessageBase::GetDestAddr(addr);
}

void SquishBase::GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest) {
  orig = FidoAddress();
  dest = FidoAddress();
  if (GetTextStream() != nullptr) MessageBase::GetOrigDestAddr(orig, dest);
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
