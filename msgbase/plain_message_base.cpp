#include "msgbase/plain_message_base.h"

#include "msgbase/io/run_time_error.h"

namespace kestrel {

bool PlainMessageBase::OpenMsgBase(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::CreateMsgBase(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::MsgBaseExists(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::CloseMsgBase() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::MsgExists(std::int32_t) {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::int32_t PlainMessageBase::GetHighMsgNum() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::int32_t PlainMessageBase::GetMsgCount() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::int32_t PlainMessageBase::GetMsgUid() {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::SeekMsgUid(std::int32_t) {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::OpenMsg() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::OpenMsgHeader() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::CloseMsg() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::CreateMsg() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::WriteMsg() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::RewriteHeader() {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::KillMsg() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::string PlainMessageBase::GetFrom() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::string PlainMessageBase::GetTo() {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::string PlainMessageBase::GetSubj() {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::SetFrom(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::SetTo(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::SetSubj(const std::string&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
bool PlainMessageBase::GetAttr(std::uint32_t) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::SetAttr(std::uint32_t, bool) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::GetDateWritten(MsgDateTime&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::GetDateArrived(MsgDateTime&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::SetDateWritten(const MsgDateTime&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::SetDateArrived(const MsgDateTime&) {
  RaiseRunTimeError(kFailureAbstractCall);
}
std::int32_t PlainMessageBase::GetLastRead(std::int32_t) {
  RaiseRunTimeError(kFailureAbstractCall);
}
void PlainMessageBase::SetLastRead(std::int32_t, std::int32_t) {
  RaiseRunTimeError(kFailureAbstractCall);
}

}  // namespace kestrel
