// Byte-range locks against other processes (LockFile/UnlockFile): the ones
// FidoNet tossers take on the first byte of a message base.
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace kestrel::platform {
namespace {

// What another process gets when it tries to lock the first byte.
DosError LockFromAnotherProcess(const std::string& path) {
#ifdef _WIN32
  // A Windows lock belongs to its handle: another handle of this process
  // meets it as another process's would, and closing it drops its own locks.
  FileHandle handle = kInvalidFileHandle;
  if (OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, handle) != dos_error::kNone)
    return 100;
  const DosError error = LockFile(handle, 0, 1);
  CloseFile(handle);
  return error;
#else
  const int code = testing::RunInChild([&path] {
    FileHandle handle = kInvalidFileHandle;
    if (OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, handle) != dos_error::kNone)
      return 100;
    return static_cast<int>(LockFile(handle, 0, 1));
  });
  return static_cast<DosError>(code);
#endif
}

TEST(RecordLockTest, ALockHoldsAgainstOthersUntilUnlockedWhateverOtherHandleCloses) {
  testing::TempDir dir;
  dir.WriteFile("netmail.jhr", "header");
  const std::string path = dir.Path("netmail.jhr");
  FileHandle holder = kInvalidFileHandle;
  ASSERT_EQ(OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, holder), dos_error::kNone);
  ASSERT_EQ(LockFile(holder, 0, 1), dos_error::kNone);
  EXPECT_EQ(LockFromAnotherProcess(path), dos_error::kLockViolation);

  // A POSIX system drops every lock of a process on a file when the process
  // closes any descriptor of it: closing a second handle must not.
  FileHandle other = kInvalidFileHandle;
  ASSERT_EQ(OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, other), dos_error::kNone);
  CloseFile(other);
  EXPECT_EQ(LockFromAnotherProcess(path), dos_error::kLockViolation);

  // Unlocked, it is the other process's to take.
  ASSERT_EQ(UnlockFile(holder, 0, 1), dos_error::kNone);
  EXPECT_EQ(UnlockFile(holder, 0, 1), dos_error::kNotLocked);
  EXPECT_EQ(LockFromAnotherProcess(path), dos_error::kNone);
  CloseFile(holder);
}

}  // namespace
}  // namespace kestrel::platform
