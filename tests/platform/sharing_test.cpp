// The DOS sharing classes between opens in one process and between processes.
#include <gtest/gtest.h>

#include <string>

#include "platform/file_system.h"
#include "tests/support/child_process.h"
#include "tests/support/platform_skips.h"
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

// Every pair of opens in one process, against the DOS rule: the second open
// fails when it asks for an access the first denies, or denies an access the
// first holds (compatibility mode denying all). The checks look at several
// lock regions at once; a pair that needs two regions apart (deny read
// against a writer) must not be caught by the region between them.
TEST_F(SharingTest, EveryPairOfClassesFollowsTheDosRule) {
  const FileAccess accesses[] = {FileAccess::kRead, FileAccess::kWrite, FileAccess::kReadWrite};
  const FileShare shares[] = {FileShare::kCompatibility, FileShare::kDenyAll,
                              FileShare::kDenyWrite, FileShare::kDenyRead, FileShare::kDenyNone};
  auto reads = [](const Open& o) { return o.access != FileAccess::kWrite; };
  auto writes = [](const Open& o) { return o.access != FileAccess::kRead; };
  auto denies_read = [](const Open& o) {
    return o.share == FileShare::kCompatibility || o.share == FileShare::kDenyAll ||
           o.share == FileShare::kDenyRead;
  };
  auto denies_write = [](const Open& o) {
    return o.share == FileShare::kCompatibility || o.share == FileShare::kDenyAll ||
           o.share == FileShare::kDenyWrite;
  };
  int conflicts = 0;
  for (const FileAccess a1 : accesses) {
    for (const FileShare s1 : shares) {
      for (const FileAccess a2 : accesses) {
        for (const FileShare s2 : shares) {
          const Open first{a1, s1};
          const Open second{a2, s2};
          const bool conflict = (reads(second) && denies_read(first)) ||
                                (writes(second) && denies_write(first)) ||
                                (denies_read(second) && reads(first)) ||
                                (denies_write(second) && writes(first));
          conflicts += conflict;
          EXPECT_EQ(Second(first, second),
                    conflict ? dos_error::kSharingViolation : dos_error::kNone)
              << "first " << static_cast<int>(a1) << "/" << static_cast<int>(s1) << ", second "
              << static_cast<int>(a2) << "/" << static_cast<int>(s2);
        }
      }
    }
  }
  EXPECT_GT(conflicts, 0);
  EXPECT_LT(conflicts, 15 * 15);
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
  KESTREL_SKIP_ON_WINDOWS("fork; two kestrel.exe runs exclude each other in crash_tests");
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
