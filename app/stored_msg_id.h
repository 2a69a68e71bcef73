// The stored MSGID of a netmail area: the tail of the MSGID line of the
// message the lastread pointer names, kept in a small file so that the next
// run can check that the pointer still names the same message.
//
// The file holds one value of up to 8 characters and no line end. For a
// *.MSG area it is the file "msgid" inside the area's directory; for a Squish
// or JAM area it sits beside the base's files, named after the base with
// ".msgid" added (base /fido/netmail: /fido/netmail.msgid), so that two bases
// in one directory keep separate values.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "platform/dos_error.h"
#include "platform/file_system.h"

namespace kestrel {

// Width of the stored value, and the value a fresh file holds.
inline constexpr std::size_t kStoredMsgIdWidth = 8;
inline constexpr char kFreshStoredMsgId[] = "00000000";

// The stored-MSGID file of the area named by `area_spec` (type letter and
// path). "" for an identifier of no known kind.
std::string StoredMsgIdFileName(const std::string& area_spec);

// The last 8 characters of a MSGID line (the whole line when shorter).
std::string StoredMsgIdOf(const std::string& msgid_line);

// Reads the stored value (its first line, at most its first 8 characters),
// first creating the file with "00000000" when it does not exist. Returns the
// failing system error, or 0.
platform::DosError ReadStoredMsgId(const std::string& file_name, std::string& value);

// Replaces the file's content by `value`. Returns the failing system error,
// or 0.
platform::DosError WriteStoredMsgId(const std::string& file_name, const std::string& value);

// The fatal error text for a failed read or write of the file.
std::string StoredMsgIdFailure(platform::DosError rc);

// The stored-MSGID file of one area while it is scanned. Held, it is open for
// reading and writing with sharing class deny write from Hold() to the end
// of the scan: a second Kestrel scanning the same area cannot hold it too and
// fails with the stored-MSGID error before it has read or changed anything.
// This is what keeps two runs apart on a *.MSG area, whose message files are
// each open only while in hand (a Squish or JAM base is itself held deny
// write while open). Not held, every read and write opens the file anew.
class StoredMsgIdFile {
 public:
  explicit StoredMsgIdFile(std::string file_name) : file_name_(std::move(file_name)) {}
  ~StoredMsgIdFile();
  StoredMsgIdFile(const StoredMsgIdFile&) = delete;
  StoredMsgIdFile& operator=(const StoredMsgIdFile&) = delete;

  // Opens the file and keeps it open, first creating it with "00000000" when
  // it does not exist (an existing file is never replaced). Returns the
  // failing system error, or 0.
  platform::DosError Hold();
  bool held() const { return handle_ != platform::kInvalidFileHandle; }

  // As ReadStoredMsgId and WriteStoredMsgId, through the held file when held.
  platform::DosError Read(std::string& value);
  platform::DosError Write(const std::string& value);

 private:
  std::string file_name_;
  platform::FileHandle handle_ = platform::kInvalidFileHandle;
};

}  // namespace kestrel
