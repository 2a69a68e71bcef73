// The object itself: construction, default seeking and the plain accessors.
#include "msgbase/message_base.h"

#include <utility>

namespace kestrel {

MessageBase::MessageBase() = default;

MessageBase::~MessageBase() = default;

std::int32_t MessageBase::GetMsgNum() {
  return current_msg_;
}

void MessageBase::SeekFirst(std::int32_t num) {
  // A start below 1 begins at message 1; this also keeps num - 1 in range.
  current_msg_ = num > 1 ? num - 1 : 0;
  SeekNext();
}

void MessageBase::SeekNext() {
  // Asking for the high message number once is enough: MsgExists does not
  // change it.
  const std::int32_t high = GetHighMsgNum();
  if (current_msg_ < 0) current_msg_ = 0;
  while (true) {
    if (current_msg_ >= high) {
      current_msg_ = 0;
      return;
    }
    ++current_msg_;
    if (MsgExists(current_msg_)) return;
  }
}

void MessageBase::SeekPrior() {
  while (true) {
    if (current_msg_ <= 1) {
      current_msg_ = 0;
      return;
    }
    --current_msg_;
    if (MsgExists(current_msg_)) return;
  }
}

bool MessageBase::SeekFound() {
  return current_msg_ != 0;
}

BaseStream* MessageBase::GetTextStream() {
  return text_.stream();
}

void MessageBase::SetTextStream(std::unique_ptr<BaseStream> stream) {
  text_.Adopt(std::move(stream));
}

void MessageBase::SetMailFlag(std::uint32_t mask, bool on) {
  if (on) {
    mail_flags_ |= mask;
  } else {
    mail_flags_ &= ~mask;
  }
}

bool MessageBase::HasMailFlag(std::uint32_t mask) {
  return (mail_flags_ & mask) == mask;
}

void MessageBase::SetMailType(std::uint8_t t) {
  SetMailFlag(kMailFlagNetmail, t == kMailTypeNetmail);
  SetMailFlag(kMailFlagEchomail, t == kMailTypeEchomail);
  SetMailFlag(kMailFlagLocal, t == kMailTypeLocal);
}

void MessageBase::SetLastError(std::int32_t code) {
  last_error_ = code;
}
std::int32_t MessageBase::GetLastError() {
  return last_error_;
}
void MessageBase::SetOpened(bool b) {
  opened_ = b;
}
bool MessageBase::IsOpened() {
  return opened_;
}
void MessageBase::SetMsgNum(std::int32_t num) {
  current_msg_ = num;
}
void MessageBase::SetBasePath(const std::string& s) {
  base_path_ = s;
}
std::string MessageBase::GetBasePath() {
  return base_path_;
}

void MessageBase::SetDatesNow() {
  MsgDateTime now;
  GetNowDateTime(now);
  SetDateWritten(now);
  SetDateArrived(now);
}

}  // namespace kestrel
