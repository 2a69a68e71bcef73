#include "msgbase/io/dir_search.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "msgbase/io/file_functions.h"
#include "msgbase/io/stream_hooks.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

class DirSearchTest : public ::testing::Test {
 protected:
  void SetUp() override { NewDirSearch = MakeDirSearch; }
  void TearDown() override { NewDirSearch = nullptr; }

  std::set<std::string> Found(const std::string& pattern, std::uint32_t mask) {
    std::set<std::string> names;
    DirSearch search;
    for (bool more = search.FindFirst(pattern, mask); more; more = search.FindNext()) {
      names.insert(search.Name());
    }
    search.FindClose();
    return names;
  }

  testing::TempDir dir;
};

TEST_F(DirSearchTest, MaskLetsNormalFilesThroughAndSpecialEntriesOnlyByTheirBit) {
  dir.WriteFile("1.msg", "");
  dir.WriteFile(".hidden.msg", "");
  dir.MakeDir("sub.msg");
  const std::string all = dir.Path("*.*");
  EXPECT_EQ(Found(all, 0x21), (std::set<std::string>{"1.msg"}));
  EXPECT_EQ(Found(all, 0x00), (std::set<std::string>{"1.msg"}));
  EXPECT_EQ(Found(all, platform::kAttrHidden), (std::set<std::string>{"1.msg", ".hidden.msg"}));
  EXPECT_EQ(Found(all, platform::kAttrDirectory),
            (std::set<std::string>{"1.msg", "sub.msg", ".", ".."}));
  EXPECT_EQ(Found(all, kAttrAnyEntry),
            (std::set<std::string>{"1.msg", ".hidden.msg", "sub.msg", ".", ".."}));
}

TEST_F(DirSearchTest, FieldsDescribeTheEntry) {
  dir.WriteFile("17.msg", std::string(190, 'h'));
  DirSearch search;
  ASSERT_TRUE(search.FindFirst(dir.Path("17.MSG"), 0x21));
  EXPECT_EQ(search.Name(), "17.msg");
  EXPECT_EQ(search.Size(), 190u);
  EXPECT_EQ(search.Attr() & platform::kAttrArchive, platform::kAttrArchive);
  EXPECT_NE(search.Time(), 0u);
  EXPECT_FALSE(search.FindNext());
  search.FindClose();
  EXPECT_FALSE(search.FindNext());  // nothing running any more
}

TEST_F(DirSearchTest, FailedSearchFindsNothing) {
  DirSearch search;
  EXPECT_FALSE(search.FindFirst(dir.Path("*.MSG"), kAttrAnyEntry));
  EXPECT_FALSE(search.FindFirst(dir.Path("nodir\\*.*"), kAttrAnyEntry));
  EXPECT_FALSE(search.FindNext());
}

TEST_F(DirSearchTest, DirExistsAcceptsBothSpellingsOfTheDirectory) {
  dir.MakeDir("netmail");
  EXPECT_TRUE(DirExists(dir.Path("netmail")));
  EXPECT_TRUE(DirExists(dir.Path("NETMAIL\\")));
  EXPECT_TRUE(DirExists(dir.Path("NetMail/")));
  EXPECT_FALSE(DirExists(dir.Path("echomail")));
  dir.WriteFile("plain", "x");
  EXPECT_FALSE(DirExists(dir.Path("plain")));
}

TEST_F(DirSearchTest, FileExistsHonoursWildcardsAndCountsDirectories) {
  dir.WriteFile("netmail.sqd", "");
  dir.MakeDir("area");
  EXPECT_TRUE(FileExists(dir.Path("NETMAIL.SQD")));
  EXPECT_TRUE(FileExists(dir.Path("netmail.*")));
  EXPECT_TRUE(FileExists(dir.Path("net???l.sq?")));
  EXPECT_TRUE(FileExists(dir.Path("AREA")));
  EXPECT_FALSE(FileExists(dir.Path("netmail.sqi")));
  EXPECT_FALSE(FileExists(dir.Path("*.jhr")));
  EXPECT_FALSE(FileExists(dir.Path("missing\\netmail.sqd")));
}

}  // namespace
}  // namespace kestrel
