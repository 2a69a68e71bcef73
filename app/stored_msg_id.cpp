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

platform::DosError WriteValue(const std::string& file_name, const std::string& value) {
  platform::FileHandle handle = platform::kInvalidFileHandle;
  platform::DosError rc = platform::CreateFile(file_name, handle);
  if (rc != platform::dos_error::kNone) return rc;
  HandleCloser closer(handle);
  std::uint32_t done = 0;
  rc = platform::WriteFile(handle, value.data(), static_cast<std::uint32_t>(value.size()), done);
  if (rc == platform::dos_error::kNone && done != value.size())
    rc = platform::dos_error::kWriteFault;
  return rc;
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
    const platform::DosError rc = WriteValue(file_name, kFreshStoredMsgId);
    if (rc != platform::dos_error::kNone) return rc;
  }
  platform::FileHandle handle = platform::kInvalidFileHandle;
  platform::DosError rc = platform::OpenFile(file_name, platform::FileAccess::kRead,
                                             platform::FileShare::kDenyNone, handle);
  if (rc != platform::dos_error::kNone) return rc;
  HandleCloser closer(handle);
  char line[kMaxStringLength];
  std::uint32_t done = 0;
  rc = platform::ReadFile(handle, line, sizeof line, done);
  if (rc != platform::dos_error::kNone) return rc;
  for (std::uint32_t i = 0; i < done && value.size() < kStoredMsgIdWidth; ++i) {
    if (line[i] == '\r' || line[i] == '\n') break;
    value += line[i];
  }
  return platform::dos_error::kNone;
}

platform::DosError WriteStoredMsgId(const std::string& file_name, const std::string& value) {
  return WriteValue(file_name, value);
}

std::string StoredMsgIdFailure(platform::DosError rc) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(rc));
  return std::string("Unable to open file with last msgid, rc=") + digits;
}

}  // namespace kestrel
