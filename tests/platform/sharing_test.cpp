// The DOS sharing classes between opens in one process and between processes.
#include <gtest/gtest.h>

#include <string>

#include "platform/file_system.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace kestrel::platform {
namespace {

struct Open {
  FileAccess access;
  FileShare share;
};

constexpr Open kReadDenyNone{FileAccess::kRead, FileShare::kDenyNone};
constexpr Open kReadDenyWrite{FileAccess::kRead, FileShare::kDenyWrite};
constexpr Open kReadWriteDenyWrite{FileAccess::kReadWrite, FileShare::kDenyWrite};
constexpr Open kWriteDenyNone{FileAccess::kWrite, FileShare::kDenyNone};
constexpr Open kWriteDenyRead{FileAccess::kWrite, FileShare::kDenyRead};
constexpr Open kReadWriteDenyNone{FileAccess::kReadWrite, FileShare::kDenyNone};
constexpr Open kReadCompatibility{FileAccess::kRead, FileShare::kCompatibility};
constexpr Open kReadWriteDenyAll{FileAccess::kReadWrite, FileShare::kDenyAll};

class SharingTest : public ::testing::Test {
 protected:
  void SetUp() override { dir.WriteFile("netmail.sqd", "data"); }

  DosError Try(const Open& open, FileHandle& handle) {
    return OpenFile(path(), open.access, open.share, handle);
  }

  // Opens `first`, then tries `second` while the first is held.
  DosError Second(const Open& first, const Open& second) {
    FileHandle held = kInvalidFileHandle;
    EXPECT_EQ(Try(first, held), dos_error::kNone);
    FileHandle other = kInvalidFileHandle;
    const DosError error = Try(second, other);
    CloseFile(other);
    CloseFile(held);
    return error;
  }

  std::string path() const { return dir.Path("NETMAIL.SQD"); }

  testing::TempDir dir;
};

TEST_F(SharingTest, ConflictingClassesInOneProcess) {
  constexpr DosError kRefused = dos_error::kSharingViolation;
  EXPECT_EQ(Second(kReadWriteDenyWrite, kWriteDenyNone), kRefused);  // denies what is asked
  EXPECT_EQ(Second(kWriteDenyNone, kReadWriteDenyWrite), kRefused);  // denies what is held
  EXPECT_EQ(Second(kReadWriteDenyWrite, kReadWriteDenyWrite), kRefused);
  EXPECT_EQ(Second(kReadDenyNone, kWriteDenyRead), kRefused);
  EXPECT_EQ(Second(kReadCompatibility, kReadDenyNone), kRefused);  // compatibility = deny all
  EXPECT_EQ(Second(kReadDenyNone, kReadCompatibility), kRefused);
  EXPECT_EQ(Second(kReadWriteDenyAll, kReadDenyNone), kRefused);
}

TEST_F(SharingTest, CompatibleClassesInOneProcess) {
  EXPECT_EQ(Second(kReadDenyNone, kReadDenyNone), dos_error::kNone);
  EXPECT_EQ(Second(kReadWriteDenyWrite, kReadDenyNone), dos_error::kNone);
  EXPECT_EQ(Second(kReadDenyWrite, kReadDenyWrite), dos_error::kNone);
  EXPECT_EQ(Second(kWriteDenyNone, kWriteDenyRead), dos_error::kNone);
  EXPECT_EQ(Second(kReadWriteDenyNone, kReadWriteDenyNone), dos_error::kNone);
}

TEST_F(SharingTest, LocksGoWithTheDescriptor) {
  FileHandle held = kInvalidFileHandle;
  ASSERT_EQ(Try(kReadWriteDenyAll, held), dos_error::kNone);
  FileHandle other = kInvalidFileHandle;
  EXPECT_EQ(Try(kReadDenyNone, other), dos_error::kSharingViolation);
  EXPECT_EQ(other, kInvalidFileHandle);
  CloseFile(held);
  EXPECT_EQ(Try(kReadDenyNone, other), dos_error::kNone);
  CloseFile(other);
}

TEST_F(SharingTest, CreateIsReadWriteDenyNoneAndLeavesAHeldFileAlone) {
  FileHandle held = kInvalidFileHandle;
  ASSERT_EQ(Try(kReadDenyWrite, held), dos_error::kNone);
  FileHandle created = kInvalidFileHandle;
  EXPECT_EQ(CreateFile(path(), created), dos_error::kSharingViolation);
  EXPECT_EQ(dir.ReadFile("netmail.sqd"), "data");  // not emptied
  CloseFile(held);

  ASSERT_EQ(Try(kReadDenyNone, held), dos_error::kNone);
  ASSERT_EQ(CreateFile(path(), created), dos_error::kNone);
  FileHandle third = kInvalidFileHandle;
  EXPECT_EQ(Try(kReadDenyWrite, third), dos_error::kSharingViolation);  // create holds write
  CloseFile(created);
  CloseFile(held);
  EXPECT_EQ(dir.ReadFile("netmail.sqd"), "");
}

TEST_F(SharingTest, AFileHeldOpenCannotBeDeleted) {
  FileHandle held = kInvalidFileHandle;
  ASSERT_EQ(Try(kReadDenyNone, held), dos_error::kNone);
  EXPECT_EQ(DeleteFile(path()), dos_error::kSharingViolation);
  EXPECT_TRUE(dir.Exists("netmail.sqd"));
  CloseFile(held);
  EXPECT_EQ(DeleteFile(path()), dos_error::kNone);
  EXPECT_FALSE(dir.Exists("netmail.sqd"));
}

// Holds `open` in a child process until told to end.
class ChildHolder : public testing::HoldingChild {
 public:
  ChildHolder(const std::string& path, const Open& open)
      : HoldingChild([&path, &open] {
          FileHandle handle = kInvalidFileHandle;
          return OpenFile(path, open.access, open.share, handle) == dos_error::kNone;
        }) {}
  bool opened() const { return succeeded(); }
};

TEST_F(SharingTest, ClassesHoldBetweenProcesses) {
  FileHandle handle = kInvalidFileHandle;
  {
    ChildHolder child(path(), kReadWriteDenyWrite);
    ASSERT_TRUE(child.opened());
    EXPECT_EQ(Try(kReadWriteDenyWrite, handle), dos_error::kSharingViolation);
    EXPECT_EQ(Try(kReadDenyNone, handle), dos_error::kNone);
    CloseFile(handle);
    child.End();  // the child's locks go with it
    EXPECT_EQ(Try(kReadWriteDenyWrite, handle), dos_error::kNone);
  }
  ChildHolder refused(path(), kWriteDenyNone);
  EXPECT_FALSE(refused.opened());
  refused.End();  // a child keeps every descriptor it inherited, and their locks
  CloseFile(handle);
  ChildHolder admitted(path(), kWriteDenyNone);
  EXPECT_TRUE(admitted.opened());
}

}  // namespace
}  // namespace kestrel::platform
