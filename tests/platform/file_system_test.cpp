#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/platform_skips.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kestrel::platform {
namespace {

#ifdef _WIN32
// Windows expands a rooted path on the current drive and keeps the spelling
// it was given (it finds every spelling of a name anyway).
TEST(FullPathNameTest, FoldsDotsAndUsesBackslashes) {
  const std::string drive = std::filesystem::current_path().string().substr(0, 2);
  EXPECT_EQ(GetFullPathName("/fido/./mail/../netmail"), drive + "\\fido\\netmail");
  EXPECT_EQ(GetFullPathName("\\fido\\..\\..\\x"), drive + "\\x");
  EXPECT_EQ(GetFullPathName("/"), drive + "\\");
  EXPECT_EQ(GetFullPathName("C:/fido//Mail/"), "C:\\fido\\Mail\\");
  EXPECT_EQ(GetFullPathName("\\\\server\\share\\fido\\..\\mail"), "\\\\server\\share\\mail");
}
#else
TEST(FullPathNameTest, FoldsDotsAndUsesBackslashes) {
  EXPECT_EQ(GetFullPathName("/fido/./mail/../netmail"), "\\fido\\netmail");
  EXPECT_EQ(GetFullPathName("\\fido\\..\\..\\x"), "\\x");
  EXPECT_EQ(GetFullPathName("/"), "\\");
  EXPECT_EQ(GetFullPathName("//fido//Mail/"), "\\fido\\mail\\");  // as it would be made
}
#endif

TEST(FullPathNameTest, RelativePathsStartAtTheCurrentDirectory) {
  std::string cwd = std::filesystem::current_path().string();
  for (char& c : cwd) {
    if (c == '/') c = '\\';
  }
  EXPECT_EQ(GetFullPathName("new\\..\\area"), cwd + "\\area");
  EXPECT_EQ(GetFullPathName("."), cwd);
}

TEST(FileTest, WriteSeekTruncateRead) {
  testing::TempDir dir;
  FileHandle handle = kInvalidFileHandle;
  ASSERT_EQ(CreateFile(dir.Path("data.bin"), handle), dos_error::kNone);
  std::uint32_t done = 0;
  ASSERT_EQ(WriteFile(handle, "abcdef", 6, done), dos_error::kNone);
  EXPECT_EQ(done, 6u);
  std::int64_t position = 0;
  ASSERT_EQ(SeekFile(handle, 3, SeekOrigin::kBegin, position), dos_error::kNone);
  ASSERT_EQ(SetEndOfFile(handle), dos_error::kNone);
  ASSERT_EQ(SeekFile(handle, 0, SeekOrigin::kCurrent, position), dos_error::kNone);
  EXPECT_EQ(position, 3);
  CloseFile(handle);
  EXPECT_EQ(dir.ReadFile("data.bin"), "abc");

  FileHandle again = kInvalidFileHandle;
  EXPECT_EQ(CreateNewFile(dir.Path("data.bin"), again), dos_error::kFileExists);
  EXPECT_EQ(again, kInvalidFileHandle);
}

// The size of an open file is what a seek to its end tells, and the position
// stays where it was; a pipe, which cannot seek, fails as the seek does.
TEST(FileTest, TheSizeIsTheSeekToTheEndWithoutMovingThePosition) {
  testing::TempDir dir;
  FileHandle handle = kInvalidFileHandle;
  ASSERT_EQ(CreateFile(dir.Path("data.bin"), handle), dos_error::kNone);
  std::uint32_t done = 0;
  ASSERT_EQ(WriteFile(handle, "0123456789", 10, done), dos_error::kNone);
  std::int64_t position = 0;
  ASSERT_EQ(SeekFile(handle, 4, SeekOrigin::kBegin, position), dos_error::kNone);
  std::int64_t size = 0;
  ASSERT_EQ(GetFileSize(handle, size), dos_error::kNone);
  EXPECT_EQ(size, 10);
  ASSERT_EQ(SeekFile(handle, 0, SeekOrigin::kCurrent, position), dos_error::kNone);
  EXPECT_EQ(position, 4);
  CloseFile(handle);

  KESTREL_SKIP_ON_WINDOWS("FIFOs (mkfifo)");
  const std::string fifo = dir.Path("pipe");
  ASSERT_EQ(testing::RunProgram({"/usr/bin/mkfifo", fifo}).exit_code, 0);
  FileHandle pipe = kInvalidFileHandle;
  ASSERT_EQ(OpenFile(fifo, FileAccess::kRead, FileShare::kDenyNone, pipe), dos_error::kNone);
  std::int64_t pipe_size = 0;
  const DosError seek_error = SeekFile(pipe, 0, SeekOrigin::kEnd, position);
  EXPECT_NE(seek_error, dos_error::kNone);
  EXPECT_EQ(GetFileSize(pipe, pipe_size), seek_error);
  CloseFile(pipe);
}

TEST(FileTest, MissingFileIsReportedInDosNumbers) {
  testing::TempDir dir;
  FileHandle handle = kInvalidFileHandle;
  EXPECT_EQ(OpenFile(dir.Path("none"), FileAccess::kRead, FileShare::kDenyNone, handle),
            dos_error::kFileNotFound);
  std::uint32_t attributes = 0;
  EXPECT_EQ(GetFileAttributes(dir.Path("none"), attributes), dos_error::kFileNotFound);
  EXPECT_EQ(GetFileAttributes(dir.path(), attributes), dos_error::kNone);
  EXPECT_EQ(attributes & kAttrDirectory, kAttrDirectory);
}

}  // namespace
}  // namespace kestrel::platform

namespace kestrel::platform {
namespace {

TEST(FileErrorTest, BadPathsEndInDosErrors) {
  testing::TempDir dir;
  dir.WriteFile("file", "x");
  FileHandle handle = kInvalidFileHandle;
  const auto open = [&handle](const std::string& path) {
    return OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, handle);
  };
  EXPECT_EQ(open(dir.Path("nodir\\x.msg")), dos_error::kPathNotFound);
  EXPECT_EQ(open(dir.Path("file\\x.msg")), dos_error::kPathNotFound);  // a file on the way
  EXPECT_EQ(CreateFile(dir.Path("file\\x.msg"), handle), dos_error::kPathNotFound);
  EXPECT_EQ(open(dir.Path(std::string(300, 'n'))), dos_error::kFilenameTooLong);
  EXPECT_EQ(CreateFile(dir.Path(std::string(300, 'n')), handle), dos_error::kFilenameTooLong);
  EXPECT_EQ(open(dir.Path("fi") + std::string("\0le", 3)), dos_error::kInvalidName);
  EXPECT_EQ(open(""), dos_error::kPathNotFound);
  EXPECT_EQ(handle, kInvalidFileHandle);
  EXPECT_EQ(DeleteFile(dir.Path("nodir\\x")), dos_error::kPathNotFound);
  EXPECT_EQ(DeleteFile(dir.Path("none")), dos_error::kFileNotFound);
  EXPECT_EQ(CreateDirectory(dir.Path("file")), dos_error::kAlreadyExists);
}

// As on Win32, whoever runs the program: read-only files are read, never
// written, replaced or deleted.
TEST(FileErrorTest, ReadOnlyFilesAreOnlyRead) {
  testing::TempDir dir;
  dir.WriteFile("keep.msg", "x");
  std::filesystem::permissions(dir.Path("keep.msg"), std::filesystem::perms(0444));
  FileHandle handle = kInvalidFileHandle;
  EXPECT_EQ(DeleteFile(dir.Path("KEEP.MSG")), dos_error::kAccessDenied);
  EXPECT_EQ(CreateFile(dir.Path("KEEP.MSG"), handle), dos_error::kAccessDenied);
  EXPECT_EQ(OpenFile(dir.Path("keep.msg"), FileAccess::kWrite, FileShare::kDenyNone, handle),
            dos_error::kAccessDenied);
  EXPECT_EQ(handle, kInvalidFileHandle);
  EXPECT_EQ(dir.ReadFile("keep.msg"), "x");
  EXPECT_EQ(OpenFile(dir.Path("keep.msg"), FileAccess::kRead, FileShare::kDenyNone, handle),
            dos_error::kNone);
  CloseFile(handle);
}

// Permissions are checked for ordinary users only: the check runs in a child
// that gives root privileges up.
TEST(FileErrorTest, PermissionDeniedIsAccessDenied) {
  KESTREL_SKIP_ON_WINDOWS("POSIX permissions and root (fork, setuid)");
  testing::TempDir dir;
  dir.WriteFile("secret", "x");
  namespace fs = std::filesystem;
  fs::permissions(dir.Path("secret"), fs::perms(0600));
  fs::permissions(dir.path(), fs::perms(0755));
  const int result = testing::RunInChild([&dir] {
    if (!testing::DropRootPrivileges()) return 2;
    FileHandle handle = kInvalidFileHandle;
    const DosError read =
        OpenFile(dir.Path("SECRET"), FileAccess::kRead, FileShare::kDenyNone, handle);
    const DosError create = CreateFile(dir.Path("new"), handle);
    return read == dos_error::kAccessDenied && create == dos_error::kAccessDenied ? 0 : 1;
  });
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace kestrel::platform
