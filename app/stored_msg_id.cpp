#include "app/stored_msg_id.h"

#include <cstdint>
#include <cstdio>

#include "msgbase/field_widths.h"
#include "msgbase/message_base_factory.h"
#include "platform/file_system.h"

namespace kestrel {
namespace {

constexpr char kMsgDirFileName[] = "msgid";
constexpr char kBaseFileSuffix[] = ".msgid";

// Closes a handle however the function that opened it ends.
class HandleCloser {
 public:
  explicit HandleCloser(platform::FileHandle handle) : handle_(handle) {}
  ~HandleCloser() { platform::CloseFile(handle_); }
  HandleCloser(const HandleCloser&) = delete;
  HandleCloser& operator=(const HandleCloser&) = delete;

 private:
  platform::FileHandle handle_;
};

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

// Replaces the file's content, or with `must_be_new` makes a new file that
// must not exist yet. Either way never through a link.
platform::DosError WriteValue(const std::string& file_name, const std::string& value,
                              bool must_be_new = false) {
  platform::FileHandle handle = platform::kInvalidFileHandle;
  platform::DosError rc = must_be_new ? platform::CreateNewFile(file_name, handle)
                                      : platform::CreateFile(file_name, handle);
  if (rc != platform::dos_error::kNone) return rc;
  HandleCloser closer(handle);
  return WriteAll(handle, value);
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
    const platform::DosError rc = WriteValue(file_name, kFreshStoredMsgId, true);
    if (rc != platform::dos_error::kNone) return rc;
  }
  platform::FileHandle handle = platform::kInvalidFileHandle;
  platform::DosError rc = platform::OpenFile(file_name, platform::FileAccess::kRead,
                                             platform::FileShare::kDenyNone, handle);
  if (rc != platform::dos_error::kNone) return rc;
  HandleCloser closer(handle);
  return ReadValue(handle, value);
}

platform::DosError WriteStoredMsgId(const std::string& file_name, const std::string& value) {
  return WriteValue(file_name, value);
}

std::string StoredMsgIdFailure(platform::DosError rc) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(rc));
  return std::string("Unable to open file with last msgid, rc=") + digits;
}

StoredMsgIdFile::~StoredMsgIdFile() {
  if (held()) platform::CloseFile(handle_);
}

platform::DosError StoredMsgIdFile::Hold() {
  if (held()) return platform::dos_error::kNone;
  platform::FileHandle handle = platform::kInvalidFileHandle;
  platform::DosError rc = platform::CreateNewFile(fileName_, handle);
  if (rc == platform::dos_error::kNone) {
    HandleCloser closer(handle);
    rc = WriteAll(handle, kFreshStoredMsgId);
    if (rc != platform::dos_error::kNone) return rc;
  } else if (rc != platform::dos_error::kFileExists) {
    return rc;
  }
  return platform::OpenFile(fileName_, platform::FileAccess::kReadWrite,
                            platform::FileShare::kDenyWrite, handle_);
}

platform::DosError StoredMsgIdFile::Read(std::string& value) {
  if (!held()) return ReadStoredMsgId(fileName_, value);
  value.clear();
  const platform::DosError rc = SeekToStart(handle_);
  if (rc != platform::dos_error::kNone) return rc;
  return ReadValue(handle_, value);
}

platform::DosError StoredMsgIdFile::Write(const std::string& value) {
  if (!held()) return WriteStoredMsgId(fileName_, value);
  platform::DosError rc = SeekToStart(handle_);
  if (rc == platform::dos_error::kNone) rc = WriteAll(handle_, value);
  if (rc == platform::dos_error::kNone) rc = platform::SetEndOfFile(handle_);
  return rc;
}

}  // namespace kestrel
