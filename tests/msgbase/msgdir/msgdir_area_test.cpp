// Opening, scanning, numbering, deleting and the lastread file of an area.
#include <filesystem>
#include <vector>

#include "msgbase/io/stream_hooks.h"
#include "msgbase/msgdir/msgdir_errors.h"
#include "tests/msgbase/msgdir/msgdir_test_support.h"

namespace kestrel::testing {
namespace {

std::vector<std::int32_t> VisitForward(MessageBase& base) {
  std::vector<std::int32_t> seen;
  for (base.SeekFirst(1); base.SeekFound(); base.SeekNext())
    seen.push_back(base.GetMsgNum());
  return seen;
}

TEST_F(MsgDirAreaTest, EmptyDirectoryOpensAndTheFirstMessageIsOne) {
  auto base = OpenArea();
  EXPECT_TRUE(base->IsOpened());
  EXPECT_EQ(base->GetMsgCount(), 0);
  EXPECT_EQ(base->GetHighMsgNum(), 0);
  base->SeekFirst(1);
  EXPECT_FALSE(base->SeekFound());
  ASSERT_TRUE(base->CreateMsg());
  EXPECT_EQ(base->GetMsgNum(), 1);
  EXPECT_EQ(base->GetMsgUid(), 1);
  EXPECT_EQ(base->GetMsgCount(), 1);
  EXPECT_TRUE(HasMessage(1));
}

TEST_F(MsgDirAreaTest, ScanRecordsOnlyRegularFilesNamedByTheirNumber) {
  for (const char* name :
       {"1.MSG", "5.msg", "notes.MSG", "README.MSG", "0.MSG", "007.MSG", " 8.msg", "+9.msg",
        "10.5.msg", "65000.MSG", "4.TXT", "99999999999.MSG", ".9.MSG"}) {
    dir_.WriteFile(std::string("area/") + name, "x");
  }
  dir_.MakeDir("area/3.MSG");  // a directory is not a message
  std::filesystem::create_symlink(dir_.Path("area/5.msg"), dir_.Path("area/6.msg"));
  auto base = OpenArea();
  // 1 and 5; 65000 is beyond the set but is the highest.
  EXPECT_EQ(base->GetMsgCount(), 2);
  EXPECT_EQ(base->GetHighMsgNum(), 65000);
  EXPECT_FALSE(base->MsgExists(65000));
  EXPECT_FALSE(base->MsgExists(3));
  EXPECT_EQ(VisitForward(*base), (std::vector<std::int32_t>{1, 5}));
  base->SetMsgNum(7);
  base->SeekPrior();
  EXPECT_EQ(base->GetMsgNum(), 5);
  base->SeekPrior();
  base->SeekPrior();
  EXPECT_EQ(base->GetMsgNum(), 0);
  // Names that read as a number but are not its own name, the directory and
  // the link; not README.MSG, 0.MSG and the like.
  EXPECT_EQ(base->SkippedEntries(), 6);
  EXPECT_EQ(base->MessagesBeyondLimit(), 2);

  // The next number follows the highest one even when it cannot be recorded.
  ASSERT_TRUE(base->CreateMsg());
  EXPECT_EQ(base->GetMsgNum(), 65001);
  EXPECT_FALSE(base->MsgExists(65001));
  EXPECT_EQ(base->GetMsgCount(), 2);
  EXPECT_TRUE(HasMessage(65001));
}

TEST_F(MsgDirAreaTest, PathsWithAndWithoutSeparatorNameTheSameFiles) {
  WriteMessage(2, "x");
  for (const std::string& path : {Area(), Area() + "/", Area() + "\\"}) {
    MsgDirBase base;
    ASSERT_TRUE(base.OpenMsgBase(path)) << path;
    EXPECT_EQ(base.GetMsgCount(), 1) << path;
    const std::string stored = base.GetBasePath();
    EXPECT_TRUE(stored.back() == '\\' || stored.back() == '/') << stored;
    EXPECT_EQ(base.MessageFileName(2), stored + "2.MSG");
    base.CloseMsgBase();
    EXPECT_EQ(base.GetBasePath(), "");
    EXPECT_FALSE(base.IsOpened());
    EXPECT_EQ(base.GetMsgCount(), 1);  // kept until the next scan
  }
}

TEST_F(MsgDirAreaTest, MissingDirectoryFailsToOpenAndIsCreatedWithItsParents) {
  MsgDirBase base;
  const std::string nested = dir_.Path("new/deeper/area");
  EXPECT_FALSE(base.MsgBaseExists(nested));
  EXPECT_FALSE(base.OpenMsgBase(nested));
  EXPECT_EQ(base.GetLastError(), msgdir::kErrorNoDirectory);
  EXPECT_FALSE(base.IsOpened());
  dir_.WriteFile("plain-file", "x");
  EXPECT_FALSE(base.OpenMsgBase(dir_.Path("plain-file")));

  ASSERT_TRUE(base.CreateMsgBase(nested));
  EXPECT_TRUE(base.IsOpened());
  EXPECT_TRUE(base.MsgBaseExists(nested));
  EXPECT_TRUE(std::filesystem::is_directory(nested));
}

TEST_F(MsgDirAreaTest, KilledNumbersAreNeverGivenOutAgain) {
  WriteMessage(1, "x");
  WriteMessage(5, "x");
  auto base = OpenArea();
  base->SetMsgNum(5);
  ASSERT_TRUE(base->KillMsg());
  EXPECT_FALSE(HasMessage(5));
  EXPECT_EQ(base->GetMsgCount(), 1);
  EXPECT_EQ(base->GetHighMsgNum(), 5);
  EXPECT_EQ(base->GetMsgNum(), 5);
  EXPECT_FALSE(base->KillMsg());  // no longer in the set

  // A file another program removed: false, nothing changes.
  std::filesystem::remove(dir_.Path("area/" + *FindFile("1.msg")));
  base->SetMsgNum(1);
  EXPECT_FALSE(base->KillMsg());
  EXPECT_EQ(base->GetMsgCount(), 1);

  ASSERT_TRUE(base->CreateMsg());
  EXPECT_EQ(base->GetMsgNum(), 6);
}

TEST_F(MsgDirAreaTest, CreateMsgNeverReplacesAFileWrittenSinceTheScan) {
  WriteMessage(1, "ours");
  auto base = OpenArea();
  WriteMessage(2, "a tosser wrote this");  // after the scan
  dir_.MakeDir("area/3.MSG");
  ASSERT_TRUE(base->CreateMsg());
  EXPECT_EQ(base->GetMsgNum(), 4);
  EXPECT_EQ(base->GetHighMsgNum(), 4);
  EXPECT_EQ(ReadMessage(2), "a tosser wrote this");
  EXPECT_TRUE(base->MsgExists(2));  // it is there, so it is recorded
  ASSERT_TRUE(base->WriteMsg());
  EXPECT_EQ(ReadMessage(4).size(), msgdir::kMsgHeaderSize + 1);
}

TEST_F(MsgDirAreaTest, CreateMsgFailsCleanlyWhenTheDirectoryIsGone) {
  auto base = OpenArea();
  std::filesystem::remove_all(Area());
  EXPECT_FALSE(base->CreateMsg());
  EXPECT_EQ(base->GetTextStream(), nullptr);
  EXPECT_FALSE(base->CloseMsg());  // nothing is open
  EXPECT_EQ(base->GetLastError(), msgdir::kErrorNotOpen);
}

TEST_F(MsgDirAreaTest, LastReadEntriesAreSixteenBitNumbersByUser) {
  auto base = OpenArea();
  EXPECT_EQ(base->GetLastRead(0), 0);  // no file

  base->SetLastRead(2, 65536 + 4464);  // only the low 16 bits are stored
  EXPECT_EQ(dir_.ReadFile("area/lastread"), std::string("\0\0\0\0\x70\x11", 6));
  EXPECT_EQ(base->GetLastRead(2), 4464);
  EXPECT_EQ(base->GetLastRead(3), 0);  // beyond the 6 bytes

  base->SetLastRead(3, 0xBEEF);
  base->SetLastRead(0, 7);
  EXPECT_EQ(dir_.ReadFile("area/lastread"), std::string("\x07\0\0\0\x70\x11\xEF\xBE", 8));
  EXPECT_EQ(base->GetLastRead(3), 0xBEEF);

  // Odd, short and oversized files; negative users.
  dir_.WriteFile("area/lastread", std::string("\x01\x02\x03\x04\x05\x06\x07", 7));
  EXPECT_EQ(base->GetLastRead(2), 0x0605);
  EXPECT_EQ(base->GetLastRead(3), 0);
  EXPECT_EQ(base->GetLastRead(-1), 0);
  base->SetLastRead(-1, 9);
  EXPECT_EQ(dir_.ReadFile("area/lastread").size(), 7u);
  dir_.WriteFile("area/lastread", std::string(1 << 20, '\x01'));
  EXPECT_EQ(base->GetLastRead(100000), 0x0101);
}

TEST_F(MsgDirAreaTest, LastReadFileThatCannotBeOpenedIsNotReplaced) {
  dir_.WriteFile("area/lastread", std::string("\x05\0\x06\0", 4));
  auto base = OpenArea();
  // A reader holds the file (deny none): the exclusive open for writing
  // fails, a create would pass and empty it.
  std::unique_ptr<BaseStream> reader =
      NewFile(dir_.Path("area/lastread"), kFileOpenRead | kFileShareDenyNone);
  ASSERT_EQ(reader->Status(), StOk);
  base->SetLastRead(1, 99);
  EXPECT_EQ(base->GetLastRead(0), 0);  // cannot be opened either
  reader.reset();
  EXPECT_EQ(dir_.ReadFile("area/lastread"), std::string("\x05\0\x06\0", 4));
  EXPECT_EQ(base->GetLastRead(1), 6);
}

TEST_F(MsgDirAreaTest, FactoryOpensAndCreatesAreasByTheirLetter) {
  WriteMessage(3, "x");
  for (const char* letter : {"M", "m", "F", "f", "*"}) {
    std::unique_ptr<MessageBase> base;
    ASSERT_TRUE(OpenBase(letter + Area(), base)) << letter;
    EXPECT_EQ(base->GetMsgCount(), 1);
    EXPECT_TRUE(CloseBase(base));
  }
  std::unique_ptr<MessageBase> base;
  EXPECT_FALSE(OpenBase("M" + dir_.Path("absent"), base));
  EXPECT_EQ(base, nullptr);
  EXPECT_EQ(BaseResult, msgdir::kErrorNoDirectory);
  ASSERT_TRUE(OpenOrCreateBase("M" + dir_.Path("absent"), base));
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path("absent")));
  EXPECT_TRUE(CloseBase(base));
}

}  // namespace
}  // namespace kestrel::testing
