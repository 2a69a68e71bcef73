// The object itself: construction, the operations only a format provides,
// default seeking and the plain accessors.
#include "msgbase/message_base.h"

#include <utility>

#include "msgbase/io/run_time_error.h"

namespace kestrel {

MessageBase::MessageBase() = default;

MessageBase::~MessageBase() = default;

// Operations a format must provide.
bool MessageBase::OpenMsgBase(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::CreateMsgBase(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::MsgBaseExists(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::CloseMsgBase() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::MsgExists(std::int32_t) {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::int32_t MessageBase::GetMsgUid() {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::SeekMsgUid(std::int32_t) {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::OpenMsg() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::OpenMsgHeader() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::CloseMsg() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::int32_t MessageBase::GetHighMsgNum() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::int32_t MessageBase::GetMsgCount() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::string MessageBase::GetFrom() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::string MessageBase::GetTo() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::string MessageBase::GetSubj() {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::SetFrom(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::SetTo(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::SetSubj(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::GetAttr(std::uint32_t) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::SetAttr(std::uint32_t, bool) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::GetDateWritten(MsgDateTime&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::GetDateArrived(MsgDateTime&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::SetDateWritten(const MsgDateTime&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::SetDateArrived(const MsgDateTime&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::WriteMsg() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::RewriteHeader() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::CreateMsg() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool MessageBase::KillMsg() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::int32_t MessageBase::GetLastRead(std::int32_t) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void MessageBase::SetLastRead(std::int32_t, std::int32_t) {
  RaiseRunTimeError(kFailureAbstractCall);
}

std::int32_t MessageBase::GetMsgNum() {
  return CurrentMsg;
}

void MessageBase::SeekFirst(std::int32_t num) {
  // A start below 1 begins at message 1; this also keeps num - 1 in range.
  CurrentMsg = num > 1 ? num - 1 : 0;
  SeekNext();
}

void MessageBase::SeekNext() {
  // Asking for the high message number once is enough: MsgExists does not
  // change it.
  const std::int32_t high = GetHighMsgNum();
  if (CurrentMsg < 0) CurrentMsg = 0;
  while (true) {
    if (CurrentMsg >= high) {
      CurrentMsg = 0;
      return;
    }
    ++CurrentMsg;
    if (MsgExists(CurrentMsg)) return;
  }
}

void MessageBase::SeekPrior() {
  while (true) {
    if (CurrentMsg <= 1) {
      CurrentMsg = 0;
      return;
    }
    --CurrentMsg;
    if (MsgExists(CurrentMsg)) return;
  }
}

bool MessageBase::SeekFound() {
  return CurrentMsg != 0;
}

BaseStream* MessageBase::GetTextStream() {
  return Text ? Text.get() : borrowed_text_;
}

void MessageBase::SetMailFlag(std::uint32_t mask, bool on) {
  if (on) {
    MailFlags |= mask;
  } else {
    MailFlags &= ~mask;
  }
}

bool MessageBase::HasMailFlag(std::uint32_t mask) {
  return (MailFlags & mask) == mask;
}

void MessageBase::SetMailType(std::uint8_t t) {
  SetMailFlag(MailFlagNetmail, t == MailTypeNetmail);
  SetMailFlag(MailFlagEchomail, t == MailTypeEchomail);
  SetMailFlag(MailFlagLocal, t == MailTypeLocal);
}

void MessageBase::SetTextStream(std::unique_ptr<BaseStream> stream) {
  Text = std::move(stream);
}

void MessageBase::SetLastError(std::int32_t code) {
  LastError = code;
}
std::int32_t MessageBase::GetLastError() {
  return LastError;
}
void MessageBase::SetOpened(bool b) {
  Opened = b;
}
bool MessageBase::IsOpened() {
  return Opened;
}
void MessageBase::SetMsgNum(std::int32_t num) {
  CurrentMsg = num;
}
void MessageBase::SetBasePath(const std::string& s) {
  BasePath = s;
}
std::string MessageBase::GetBasePath() {
  return BasePath;
}

void MessageBase::SetDatesNow() {
  MsgDateTime now;
  GetNowDateTime(now);
  SetDateWritten(now);
  SetDateArrived(now);
}

BaseStream& MessageBase::TextStream() {
  BaseStream* stream = GetTextStream();
  if (stream == nullptr) RaiseRunTimeError(kFailureObjectNotInitialized);
  return *stream;
}

void MessageBase::SetBorrowedText(BaseStream* stream) {
  borrowed_text_ = stream;
}

}  // namespace kestrel
