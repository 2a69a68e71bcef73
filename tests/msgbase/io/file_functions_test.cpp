#include "msgbase/io/file_functions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file_system.h"
#include "tests/support/platform_skips.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

std::string Backslashed(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

TEST(ForceDirectoriesTest, CreatesEveryMissingLevel) {
  testing::TempDir dir;
  EXPECT_TRUE(ForceDirectories(dir.Path("FIDO\\MAIL\\NETMAIL\\")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path("fido/mail/netmail")));
  EXPECT_TRUE(ForceDirectories(dir.Path("fido/mail/netmail")));  // all there: nothing changes
  EXPECT_EQ(dir.List("fido/mail"), std::vector<std::string>{"netmail"});
}

TEST(ForceDirectoriesTest, RootAndBlockedPathsStillReportTrue) {
  EXPECT_TRUE(ForceDirectories("/"));
  EXPECT_TRUE(ForceDirectories("\\"));
  testing::TempDir dir;
  dir.WriteFile("file", "x");
  EXPECT_TRUE(ForceDirectories(dir.Path("file\\sub")));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("file/sub")));
}

TEST(MakeDirQuietTest, CreatesOneLevelAndIgnoresErrors) {
  testing::TempDir dir;
  MakeDirQuiet(dir.Path("one\\"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path("one")));
  MakeDirQuiet(dir.Path("one"));         // exists: quiet
  MakeDirQuiet(dir.Path("two\\three"));  // parent missing: quiet
  EXPECT_FALSE(std::filesystem::exists(dir.Path("two")));
  MakeDirQuiet("");
  MakeDirQuiet("/");
}

TEST(ExtractDirTest, ReturnsTheFullDirectoryPart) {
  KESTREL_SKIP_ON_WINDOWS(
      "POSIX full paths (no drive, real spelling); FullPathNameTest covers Windows");
  testing::TempDir dir;
  dir.MakeDir("fido");
  EXPECT_EQ(ExtractDir(dir.Path("FIDO/NETMAIL")), Backslashed(dir.Path("fido")));
  EXPECT_EQ(ExtractDir(dir.Path("fido/./x/../netmail")), Backslashed(dir.Path("fido")));
  EXPECT_EQ(ExtractDir("/netmail"), "");
  EXPECT_EQ(ExtractDir("\\fido\\area\\"), "\\fido\\area");
}

TEST(DeleteFileTest, ReportsWhetherTheFileWentAway) {
  testing::TempDir dir;
  dir.WriteFile("5.msg", "x");
  dir.MakeDir("area");
  EXPECT_TRUE(DeleteFile(dir.Path("5.MSG")));
  EXPECT_FALSE(dir.Exists("5.msg"));
  EXPECT_FALSE(DeleteFile(dir.Path("5.msg")));
  EXPECT_FALSE(DeleteFile(dir.Path("area")));
  EXPECT_TRUE(dir.Exists("area"));
}

}  // namespace
}  // namespace kestrel
