#include "app/stored_msg_id.h"

#include <cstdint>

#include "app/error_report.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/fido/field_widths.h"
#include "msgbase/fido/string_functions.h"
#include "platform/file_closer.h"
#include "platform/file_system.h"

namespace kestrel {
namespace {

constexpr char kMsgDirFileName[] = "msgid";
constexpr char kBaseFileSuffix[] = ".msgid";

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

platform::DosError WriteAll(platform::FileHandle handle, const std::string& value) {
  std::uint32_t done = 0;
  platform::DosError rc =
      platform::WriteFile(handle, value.data(), static_cast<std::uint32_t>(value.size()), done);
  if (rc == platform::dos_error::kNone && done != value.size())
    rc = platform::dos_error::kWriteFault;
  return rc;
}

// Puts the value over the old one from the file's start, then ends the file
// there and makes it durable. The file is never empty on the way (unless the
// value is): a run cut short in between, or a disk that is full, leaves the old
// value or the new one. A value shorter than the width is written with a line
// end after it, which the end of the file then cuts off: a run cut short before
// that cut leaves the new value, its line end and the old value's tail, which
// reads as the new value.
platform::DosError OverwriteValue(platform::FileHandle handle, const std::string& value) {
  std::int64_t position = 0;
  platform::DosError rc = platform::SeekFile(handle, 0, platform::SeekOrigin::kBegin, position);
  const std::string written = value.size() < kStoredMsgIdWidth ? value + "\n" : value;
  if (rc == platform::dos_error::kNone) rc = WriteAll(handle, written);
  if (rc == platform::dos_error::kNone && written.size() != value.size()) {
    rc = platform::SeekFile(handle, static_cast<std::int64_t>(value.size()),
                            platform::SeekOrigin::kBegin, position);
  }
  if (rc == platform::dos_error::kNone) rc = platform::SetEndOfFile(handle);
  if (rc == platform::dos_error::kNone) rc = platform::FlushFileBuffers(handle);
  return rc;
}

// Creates the file with the value when it does not exist; an existing file is
// left alone. Not synced: a fresh file that a power cut takes back is made
// again by the next run.
platform::DosError CreateFresh(const std::string& file_name, const std::string& value) {
  platform::FileHandle handle = platform::kInvalidFileHandle;
  const platform::DosError rc = platform::CreateNewFile(file_name, handle);
  if (rc == platform::dos_error::kFileExists) return platform::dos_error::kNone;
  if (rc != platform::dos_error::kNone) return rc;
  platform::FileCloser closer(handle);
  return WriteAll(handle, value);
}

platform::DosError WriteValue(const std::string& file_name, const std::string& value) {
  platform::FileHandle handle = platform::kInvalidFileHandle;
  platform::DosError rc = platform::OpenFile(file_name, platform::FileAccess::kReadWrite,
                                             platform::FileShare::kDenyNone, handle);
  if (rc == platform::dos_error::kFileNotFound) rc = platform::CreateNewFile(file_name, handle);
  if (rc != platform::dos_error::kNone) return rc;
  platform::FileCloser closer(handle);
  return OverwriteValue(handle, value);
}

// Reads the value from the file's start: its first line, at most its first
// 8 characters.
platform::DosError ReadValue(platform::FileHandle handle, std::string& value) {
  value.clear();
  char line[kMaxStringLength];
  std::uint32_t done = 0;
  const platform::DosError rc = platform::ReadFile(handle, line, sizeof line, done);
  if (rc != platform::dos_error::kNone) return rc;
  for (std::uint32_t i = 0; i < done && value.size() < kStoredMsgIdWidth; ++i) {
    if (line[i] == '\r' || line[i] == '\n') break;
    value += line[i];
  }
  return platform::dos_error::kNone;
}

platform::DosError SeekToStart(platform::FileHandle handle) {
  std::int64_t position = 0;
  return platform::SeekFile(handle, 0, platform::SeekOrigin::kBegin, position);
}

}  // namespace

std::string StoredMsgIdFileName(const std::string& area_spec) {
  AreaKind kind = KindUnknown;
  std::string path;
  ParseAreaId(area_spec, kind, path);
  switch (kind) {
    case KindMsgDir:
      return EndsWithSeparator(path) ? path + kMsgDirFileName : path + "\\" + kMsgDirFileName;
    case KindSquish:
    case KindJam:
      // The formats name their files after the path with one full stop
      // added unless it ends in one: the value file follows the same rule.
      if (!path.empty() && path.back() == '.') path.pop_back();
      return path + kBaseFileSuffix;
    case KindUnknown:
      break;
  }
  return "";
}

std::string StoredMsgIdOf(const std::string& msgid_line) {
  if (msgid_line.size() <= kStoredMsgIdWidth) return msgid_line;
  return msgid_line.substr(msgid_line.size() - kStoredMsgIdWidth);
}

platform::DosError ReadStoredMsgId(const std::string& file_name, std::string& value) {
  value.clear();
  std::uint32_t attributes = 0;
  if (platform::GetFileAttributes(file_name, attributes) != platform::dos_error::kNone) {
    const platform::DosError rc = CreateFresh(file_name, kFreshStoredMsgId);
    if (rc != platform::dos_error::kNone) return rc;
  }
  platform::FileHandle handle = platform::kInvalidFileHandle;
  platform::DosError rc = platform::OpenFile(file_name, platform::FileAccess::kRead,
                                             platform::FileShare::kDenyNone, handle);
  if (rc != platform::dos_error::kNone) return rc;
  platform::FileCloser closer(handle);
  return ReadValue(handle, value);
}

platform::DosError WriteStoredMsgId(const std::string& file_name, const std::string& value) {
  return WriteValue(file_name, value);
}

std::string StoredMsgIdFailure(platform::DosError rc) {
  return "Unable to open file with last msgid, rc=" + EightHexDigits(rc, HexLetters::kUpper);
}

StoredMsgIdFile::~StoredMsgIdFile() {
  if (held()) platform::CloseFile(handle_);
}

platform::DosError StoredMsgIdFile::Hold() {
  if (held()) return platform::dos_error::kNone;
  const platform::DosError rc = CreateFresh(file_name_, kFreshStoredMsgId);
  if (rc != platform::dos_error::kNone) return rc;
  return platform::OpenFile(file_name_, platform::FileAccess::kReadWrite,
                            platform::FileShare::kDenyWrite, handle_);
}

platform::DosError StoredMsgIdFile::Read(std::string& value) {
  if (!held()) return ReadStoredMsgId(file_name_, value);
  value.clear();
  const platform::DosError rc = SeekToStart(handle_);
  if (rc != platform::dos_error::kNone) return rc;
  return ReadValue(handle_, value);
}

platform::DosError StoredMsgIdFile::Write(const std::string& value) {
  if (!held()) return WriteStoredMsgId(file_name_, value);
  return OverwriteValue(handle_, value);
}

}  // namespace kestrel
