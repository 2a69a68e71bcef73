// A message base with no storage format: the text, kludge, address and
// accessor operations work on whatever text it is given, and every
// operation of `MessageFormat` raises run-time failure 217
// (kFailureAbstractCall), since only a format can provide it. Programs that
// work on a message text alone use it.
#pragma once

#include <cstdint>
#include <string>

#include "msgbase/message_base.h"

namespace kestrel {

class PlainMessageBase : public MessageBase {
 public:
  bool OpenMsgBase(const std::string& path) override;
  bool CreateMsgBase(const std::string& path) override;
  bool MsgBaseExists(const std::string& path) override;
  void CloseMsgBase() override;
  bool MsgExists(std::int32_t num) override;
  std::int32_t GetHighMsgNum() override;
  std::int32_t GetMsgCount() override;
  std::int32_t GetMsgUid() override;
  void SeekMsgUid(std::int32_t uid) override;
  bool OpenMsg() override;
  bool OpenMsgHeader() override;
  bool CloseMsg() override;
  bool CreateMsg() override;
  bool WriteMsg() override;
  bool RewriteHeader() override;
  bool KillMsg() override;
  std::string GetFrom() override;
  std::string GetTo() override;
  std::string GetSubj() override;
  void SetFrom(const std::string& s) override;
  void SetTo(const std::string& s) override;
  void SetSubj(const std::string& s) override;
  bool GetAttr(std::uint32_t code) override;
  void SetAttr(std::uint32_t code, bool on) override;
  void GetDateWritten(MsgDateTime& dt) override;
  void GetDateArrived(MsgDateTime& dt) override;
  void SetDateWritten(const MsgDateTime& dt) override;
  void SetDateArrived(const MsgDateTime& dt) override;
  std::int32_t GetLastRead(std::int32_t user) override;
  void SetLastRead(std::int32_t user, std::int32_t num) override;
};

}  // namespace kestrel
