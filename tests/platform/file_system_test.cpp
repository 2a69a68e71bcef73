#include "platform/file_system.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace kestrel::platform {
namespace {

TEST(FullPathNameTest, FoldsDotsAndUsesBackslashes) {
  EXPECT_EQ(GetFullPathName("/fido/./mail/../netmail"), "\\fido\\netmail");
  EXPECT_EQ(GetFullPathName("\\fido\\..\\..\\x"), "\\x");
  EXPECT_EQ(GetFullPathName("/"), "\\");
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
