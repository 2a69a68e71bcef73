// What a storage format provides: the operations that depend on a format's
// files. `MessageBase` leaves every one of them to its descendants, so the
// compiler refuses a format that lacks one. `PlainMessageBase` is the base
// with no format at all: there each of them raises run-time failure 217.
#pragma once

#include <cstdint>
#include <string>

#include "msgbase/fido/date_time.h"

namespace kestrel {

class MessageFormat {
 public:
  virtual ~MessageFormat() = default;

  // --- The base.
  virtual bool OpenMsgBase(const std::string& path) = 0;
  // Creates a new empty base and leaves it open.
  virtual bool CreateMsgBase(const std::string& path) = 0;
  // Whether the base's files exist.
  virtual bool MsgBaseExists(const std::string& path) = 0;
  virtual void CloseMsgBase() = 0;
  virtual bool MsgExists(std::int32_t num) = 0;
  virtual std::int32_t GetHighMsgNum() = 0;
  virtual std::int32_t GetMsgCount() = 0;
  // The format's unique id of the current message, and the message with a
  // unique id made current.
  virtual std::int32_t GetMsgUid() = 0;
  virtual void SeekMsgUid(std::int32_t uid) = 0;

  // --- The open message: header, kludge lines and body into the text, or
  // the header alone.
  virtual bool OpenMsg() = 0;
  virtual bool OpenMsgHeader() = 0;
  // Releases the open message and its text.
  virtual bool CloseMsg() = 0;
  // Starts a new empty message; it becomes the open message.
  virtual bool CreateMsg() = 0;
  // Stores the header and text of the open or new message.
  virtual bool WriteMsg() = 0;
  // Stores only the header of the open message.
  virtual bool RewriteHeader() = 0;
  // Deletes the current message from the base.
  virtual bool KillMsg() = 0;

  // --- Header fields of the open message.
  virtual std::string GetFrom() = 0;
  virtual std::string GetTo() = 0;
  virtual std::string GetSubj() = 0;
  virtual void SetFrom(const std::string& s) = 0;
  virtual void SetTo(const std::string& s) = 0;
  virtual void SetSubj(const std::string& s) = 0;
  // One attribute code (one bit) at a time.
  virtual bool GetAttr(std::uint32_t code) = 0;
  virtual void SetAttr(std::uint32_t code, bool on) = 0;
  virtual void GetDateWritten(MsgDateTime& dt) = 0;
  virtual void GetDateArrived(MsgDateTime& dt) = 0;
  virtual void SetDateWritten(const MsgDateTime& dt) = 0;
  virtual void SetDateArrived(const MsgDateTime& dt) = 0;

  // --- Lastread pointers.
  virtual std::int32_t GetLastRead(std::int32_t user) = 0;
  virtual void SetLastRead(std::int32_t user, std::int32_t num) = 0;
};

}  // namespace kestrel
