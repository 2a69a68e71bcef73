// Directory searches: DOS wildcards, "." and "..", attributes and times.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "platform/file_system.h"
#include "tests/support/temp_dir.h"

namespace kestrel::platform {
namespace {

using Names = std::set<std::string>;

Names Search(const std::string& pattern) {
  Names names;
  std::unique_ptr<FindSearch> search;
  FindData data;
  if (FindFirstFile(pattern, search, data) != dos_error::kNone) return names;
  do {
    names.insert(data.name);
  } while (search->Next(data) == dos_error::kNone);
  return names;
}

FindData Entry(const std::string& pattern) {
  std::unique_ptr<FindSearch> search;
  FindData data;
  EXPECT_EQ(FindFirstFile(pattern, search, data), dos_error::kNone) << pattern;
  return data;
}

class FindFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"1.msg", "22.MSG", "3.msg.bak", "lastread", "x.ms", ".hidden"}) {
      dir.WriteFile(std::string("area/") + name, "12345");
    }
    dir.MakeDir("area/sub");
  }
  std::string area(const std::string& pattern) const { return dir.Path("area/" + pattern); }

  testing::TempDir dir;
};

TEST_F(FindFileTest, WildcardsIgnoreCase) {
  EXPECT_EQ(Search(area("*.MSG")), (Names{"1.msg", "22.MSG"}));
  EXPECT_EQ(Search(area("*.msg")), (Names{"1.msg", "22.MSG"}));
  EXPECT_EQ(Search(area("?.MSG")), (Names{"1.msg"}));
  EXPECT_EQ(Search(area("??.m?g")), (Names{"22.MSG"}));
  EXPECT_EQ(Search(area("*.MS?")), (Names{"1.msg", "22.MSG"}));
  EXPECT_EQ(Search(area("*.MS")), (Names{"x.ms"}));
  EXPECT_EQ(Search(area("LAST*")), (Names{"lastread"}));
#ifdef _WIN32
  // Windows' own rule: a final ".*" matches an empty extension too.
  EXPECT_EQ(Search(area("*.msg.*")), (Names{"1.msg", "22.MSG", "3.msg.bak"}));
#else
  EXPECT_EQ(Search(area("*.msg.*")), (Names{"3.msg.bak"}));
#endif
}

TEST_F(FindFileTest, StarDotStarFindsEverythingWithDotEntries) {
  const Names everything{".",        "..",   "1.msg",   "22.MSG", "3.msg.bak",
                         "lastread", "x.ms", ".hidden", "sub"};
  EXPECT_EQ(Search(area("*.*")), everything);
  EXPECT_EQ(Search(area("*")), everything);
  EXPECT_EQ(Search(area("lastread.*")), (Names{"lastread"}));
  EXPECT_EQ(Search(dir.Path("AREA\\SUB\\*.*")), (Names{".", ".."}));  // even when empty
}

TEST_F(FindFileTest, MissingThingsAreReportedApart) {
  std::unique_ptr<FindSearch> search;
  FindData data;
  EXPECT_EQ(FindFirstFile(area("*.jhr"), search, data), dos_error::kFileNotFound);
  EXPECT_EQ(search, nullptr);
  EXPECT_EQ(FindFirstFile(area("none.msg"), search, data), dos_error::kFileNotFound);
  EXPECT_EQ(FindFirstFile(dir.Path("nodir/*.*"), search, data), dos_error::kPathNotFound);
  EXPECT_EQ(FindFirstFile(area("1.msg/*.*"), search, data), dos_error::kPathNotFound);
  EXPECT_EQ(FindFirstFile(area(""), search, data), dos_error::kFileNotFound);
  EXPECT_EQ(FindFirstFile(std::string("a\0b", 3), search, data), dos_error::kInvalidName);
}

TEST_F(FindFileTest, AttributesOfEntries) {
  std::filesystem::permissions(area("lastread"), std::filesystem::perms(0444));
  EXPECT_EQ(Entry(area("1.MSG")).attributes, kAttrArchive);
  EXPECT_EQ(Entry(area("LASTREAD")).attributes, kAttrArchive | kAttrReadOnly);
  EXPECT_EQ(Entry(area(".HIDDEN")).attributes, kAttrArchive | kAttrHidden);
  EXPECT_EQ(Entry(area("SUB")).attributes, kAttrDirectory);
  EXPECT_EQ(Entry(area("s?b")).attributes, kAttrDirectory);
  EXPECT_EQ(Entry(area("1.msg")).size, 5u);
  EXPECT_EQ(Entry(area("1.msg")).name, "1.msg");
  std::uint32_t attributes = 0;
  EXPECT_EQ(GetFileAttributes(area("Lastread"), attributes), dos_error::kNone);
  EXPECT_EQ(attributes, kAttrArchive | kAttrReadOnly);
}

// Sets a file's modification time to a moment given in seconds since 1970.
void SetModified(const std::string& path, std::time_t seconds) {
  const auto when = std::chrono::system_clock::from_time_t(seconds);
  std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(when));
}

TEST_F(FindFileTest, TimesArePackedLocalModificationTimes) {
  std::tm local{};
  local.tm_year = 2021 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 4;
  local.tm_hour = 5;
  local.tm_min = 6;
  local.tm_sec = 9;
  local.tm_isdst = -1;
  SetModified(area("1.msg"), std::mktime(&local));
  constexpr std::uint32_t kDate = (2021 - 1980) << 9 | 3 << 5 | 4;
  constexpr std::uint32_t kTime = 5 << 11 | 6 << 5 | 9 / 2;
  EXPECT_EQ(Entry(area("1.msg")).dos_time, kDate << 16 | kTime);

  SetModified(area("1.msg"), 86400);  // 1970: before DOS dates begin
  EXPECT_EQ(Entry(area("1.msg")).dos_time, (0u << 9 | 1 << 5 | 1) << 16);
}

}  // namespace
}  // namespace kestrel::platform
