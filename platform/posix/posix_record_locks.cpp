// Classic POSIX record locks, and the closes put off while one is held.
#include "platform/posix/posix_record_locks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/posix/posix_retry.h"
namespace kestrel::platform::posix {
namespace {

struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  friend bool operator==(const FileId&, const FileId&) = default;
};

struct HeldRecord {
  FileId file;
  int fd = -1;
  std::int64_t offset = 0;
  std::int64_t length = 0;
};

struct PutOffClose {
  FileId file;
  int fd = -1;
};

// The program is single-threaded: plain lists are enough.
std::vector<HeldRecord>& HeldRecords() {
  static std::vector<HeldRecord> held;
  return held;
}

std::vector<PutOffClose>& PutOffCloses() {
  static std::vector<PutOffClose> put_off;
  return put_off;
}

bool IdentifyFile(int fd, FileId& file) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return false;
  file = {status.st_dev, status.st_ino};
  return true;
}

bool AnyHeldOn(const FileId& file) {
  const std::vector<HeldRecord>& held = HeldRecords();
  return std::any_of(held.begin(), held.end(),
                     [&file](const HeldRecord& record) { return record.file == file; });
}

// The file has no lock left: the closes put off for it are done now.
void ClosePutOff(const FileId& file) {
  std::vector<PutOffClose>& put_off = PutOffCloses();
  for (const PutOffClose& entry : put_off) {
    if (entry.file == file) ::close(entry.fd);
  }
  std::erase_if(put_off, [&file](const PutOffClose& entry) { return entry.file == file; });
}

int SetRecordLock(int fd, short type, std::int64_t offset, std::int64_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  return RetryOnInterrupt([fd, &lock] { return ::fcntl(fd, F_SETLK, &lock); });
}

}  // namespace

DosError LockRecord(int fd, std::int64_t offset, std::int64_t length) {
  if (offset < 0 || length <= 0) return dos_error::kInvalidParameter;
  FileId file;
  if (!IdentifyFile(fd, file)) return DosErrorFromNative(errno);
  if (SetRecordLock(fd, F_WRLCK, offset, length) != 0) {
    // Both answers mean that another process holds a conflicting lock.
    if (errno == EACCES || errno == EAGAIN) return dos_error::kLockViolation;
    return DosErrorFromNative(errno);
  }
  HeldRecords().push_back({file, fd, offset, length});
  return dos_error::kNone;
}

DosError UnlockRecord(int fd, std::int64_t offset, std::int64_t length) {
  std::vector<HeldRecord>& held = HeldRecords();
  const auto found = std::find_if(held.begin(), held.end(), [&](const HeldRecord& record) {
    return record.fd == fd && record.offset == offset && record.length == length;
  });
  if (found == held.end()) return dos_error::kNotLocked;
  const FileId file = found->file;
  held.erase(found);
  const DosError error = SetRecordLock(fd, F_UNLCK, offset, length) == 0
                             ? dos_error::kNone
                             : DosErrorFromNative(errno);
  if (!AnyHeldOn(file)) ClosePutOff(file);
  return error;
}

void CloseDescriptor(int fd) {
  // Without a lock held or a close put off there is nothing to keep.
  if (HeldRecords().empty() && PutOffCloses().empty()) {
    ::close(fd);
    return;
  }
  FileId file;
  if (!IdentifyFile(fd, file)) {
    ::close(fd);
    return;
  }
  std::vector<HeldRecord>& held = HeldRecords();
  const bool held_elsewhere = std::any_of(held.begin(), held.end(), [&](const HeldRecord& record) {
    return record.file == file && record.fd != fd;
  });
  if (held_elsewhere) {
    PutOffCloses().push_back({file, fd});
    return;
  }
  // Closing the holder drops its locks, as the system does.
  std::erase_if(held, [fd](const HeldRecord& record) { return record.fd == fd; });
  ::close(fd);
  if (!AnyHeldOn(file)) ClosePutOff(file);
}

}  // namespace kestrel::platform::posix
