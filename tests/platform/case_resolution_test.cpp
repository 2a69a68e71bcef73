// Names found whatever their ASCII case; new names made in lower case.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "tests/support/platform_skips.h"
#include "tests/support/temp_dir.h"

namespace kestrel::platform {
namespace {

using Names = std::vector<std::string>;

std::string ReadAll(const std::string& path) {
  FileHandle handle = kInvalidFileHandle;
  if (OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, handle) != dos_error::kNone) {
    return "<not found>";
  }
  std::string bytes(64, '\0');
  std::uint32_t done = 0;
  ReadFile(handle, bytes.data(), 64, done);
  CloseFile(handle);
  bytes.resize(done);
  return bytes;
}

// Sets a directory's modification time, as if its last change had happened
// long ago or within the same time-stamp tick as an earlier one.
void SetModified(const std::string& path, std::filesystem::file_time_type when) {
  std::filesystem::last_write_time(path, when);
}

std::filesystem::file_time_type LongAgo() {
  return std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(1000000000));
}

TEST(CaseResolutionTest, ExistingNamesAreFoundThroughAnyCase) {
  testing::TempDir dir;
  dir.WriteFile("fido/netmail/17.msg", "seventeen");
  EXPECT_EQ(ReadAll(dir.Path("FIDO\\NETMAIL\\17.MSG")), "seventeen");
  EXPECT_EQ(ReadAll(dir.Path("Fido/NetMail/17.Msg")), "seventeen");
  std::uint32_t attributes = 0;
  EXPECT_EQ(GetFileAttributes(dir.Path("FIDO\\NETMAIL"), attributes), dos_error::kNone);
  EXPECT_EQ(attributes & kAttrDirectory, kAttrDirectory);
  EXPECT_EQ(CreateDirectory(dir.Path("FIDO\\NETMAIL")), dos_error::kAlreadyExists);
  EXPECT_EQ(DeleteFile(dir.Path("FIDO\\NETMAIL\\17.MSG")), dos_error::kNone);
  EXPECT_FALSE(dir.Exists("fido/netmail/17.msg"));
}

TEST(CaseResolutionTest, OnlyAsciiLettersFold) {
  testing::TempDir dir;
  dir.WriteFile("\xa0\xa1.msg", "cyrillic");  // code page 866 lower-case letters
  EXPECT_EQ(ReadAll(dir.Path("\xa0\xa1.MSG")), "cyrillic");
  EXPECT_EQ(ReadAll(dir.Path("\x80\x81.MSG")), "<not found>");  // their upper case: other bytes
}

TEST(CaseResolutionTest, ExactSpellingWinsThenTheFirstInByteOrder) {
  KESTREL_SKIP_ON_WINDOWS("names that differ only in case are one name to Windows");
  testing::TempDir dir;
  dir.WriteFile("area/mail.txt", "lower");
  dir.WriteFile("area/Mail.txt", "capital");
  dir.WriteFile("area/MAIL.TXT", "upper");
  EXPECT_EQ(ReadAll(dir.Path("area/mail.txt")), "lower");
  EXPECT_EQ(ReadAll(dir.Path("area/MAIL.TXT")), "upper");
  EXPECT_EQ(ReadAll(dir.Path("area/mAIL.TXT")), "upper");  // "MAIL.TXT" < "Mail.txt" < "mail.txt"
  std::filesystem::remove(dir.Path("area/MAIL.TXT"));
  EXPECT_EQ(ReadAll(dir.Path("area/mAIL.TXT")), "capital");
}

TEST(CaseResolutionTest, NewNamesAreMadeInLowerCaseAndOldOnesKeptAsTheyAre) {
  testing::TempDir dir;
  dir.WriteFile("Area/ReadMe.Txt", "old");
  FileHandle handle = kInvalidFileHandle;
  ASSERT_EQ(CreateFile(dir.Path("AREA\\README.TXT"), handle), dos_error::kNone);
  CloseFile(handle);
  ASSERT_EQ(CreateNewFile(dir.Path("AREA\\NEW.MSG"), handle), dos_error::kNone);
  CloseFile(handle);
  EXPECT_EQ(CreateDirectory(dir.Path("AREA\\SUB")), dos_error::kNone);
  EXPECT_EQ(dir.List("Area"), (Names{"ReadMe.Txt", "new.msg", "sub"}));
  EXPECT_EQ(dir.ReadFile("Area/ReadMe.Txt"), "");  // replaced in place
  EXPECT_EQ(dir.List(), Names{"Area"});

  // A missing directory on the way is not made up.
  EXPECT_EQ(CreateFile(dir.Path("AREA\\NODIR\\X.MSG"), handle), dos_error::kPathNotFound);
  EXPECT_EQ(CreateDirectory(dir.Path("AREA\\NODIR\\SUB")), dos_error::kPathNotFound);
}

TEST(CaseResolutionTest, CreateNewSeesAnExistingFileInAnyCase) {
  testing::TempDir dir;
  dir.WriteFile("area/18.msg", "tossed");
  FileHandle handle = kInvalidFileHandle;
  EXPECT_EQ(CreateNewFile(dir.Path("AREA\\18.MSG"), handle), dos_error::kFileExists);
  EXPECT_EQ(handle, kInvalidFileHandle);
  EXPECT_EQ(dir.ReadFile("area/18.msg"), "tossed");
  EXPECT_EQ(dir.List("area"), Names{"18.msg"});
}

TEST(CaseResolutionTest, FilesAddedBehindTheLayersBackAreSeen) {
  KESTREL_SKIP_ON_WINDOWS("the POSIX name cache; Windows finds names itself");
  testing::TempDir dir;
  dir.WriteFile("area/1.msg", "one");
  const std::string area = dir.Path("area");
  SetModified(area, LongAgo());  // an old, settled directory
  EXPECT_EQ(ReadAll(dir.Path("AREA/1.MSG")), "one");
  EXPECT_EQ(ReadAll(dir.Path("AREA/2.MSG")), "<not found>");

  dir.WriteFile("area/2.Msg", "two");  // by another program: the directory changes
  EXPECT_EQ(ReadAll(dir.Path("AREA/2.MSG")), "two");

  dir.WriteFile("area/LastRead", "lr");
  FileHandle handle = kInvalidFileHandle;
  EXPECT_EQ(CreateNewFile(dir.Path("area/LASTREAD"), handle), dos_error::kFileExists);
  EXPECT_EQ(dir.List("area"), (Names{"1.msg", "2.Msg", "LastRead"}));
}

TEST(CaseResolutionTest, ADeletedFileIsNeverResolvedTo) {
  KESTREL_SKIP_ON_WINDOWS("the POSIX name cache; Windows finds names itself");
  testing::TempDir dir;
  dir.WriteFile("area/5.msg", "first");
  const std::string area = dir.Path("area");
  EXPECT_EQ(ReadAll(dir.Path("area/5.MSG")), "first");
  // Replaced by a differently spelled file within what looks like the same
  // time-stamp tick: the directory's time does not move.
  const auto before = std::filesystem::last_write_time(area);
  std::filesystem::remove(dir.Path("area/5.msg"));
  dir.WriteFile("area/5.Msg", "second");
  SetModified(area, before);
  EXPECT_EQ(ReadAll(dir.Path("area/5.MSG")), "second");
  EXPECT_EQ(DeleteFile(dir.Path("AREA/5.MSG")), dos_error::kNone);
  EXPECT_EQ(ReadAll(dir.Path("area/5.MSG")), "<not found>");
  EXPECT_TRUE(dir.List("area").empty());
}

// A directory's spelling is looked up once and kept: the kept spelling must
// follow the directory when another program renames it and puts others in
// its place, the first of them in byte order spelled otherwise.
TEST(CaseResolutionTest, ADirectoryReplacedUnderAnotherSpellingIsFoundAgain) {
  KESTREL_SKIP_ON_WINDOWS("names that differ only in case are one name to Windows");
  testing::TempDir dir;
  dir.WriteFile("area/1.msg", "old");
  FileHandle handle = kInvalidFileHandle;
  ASSERT_EQ(CreateFile(dir.Path("AREA/2.MSG"), handle), dos_error::kNone);
  CloseFile(handle);
  EXPECT_EQ(dir.List("area"), (Names{"1.msg", "2.msg"}));

  std::filesystem::rename(dir.Path("area"), dir.Path("moved"));
  dir.WriteFile("Area/1.msg", "new");
  dir.MakeDir("area");
  EXPECT_EQ(ReadAll(dir.Path("AREA/1.MSG")), "new");
  ASSERT_EQ(CreateFile(dir.Path("AREA/3.MSG"), handle), dos_error::kNone);
  CloseFile(handle);
  EXPECT_EQ(DeleteFile(dir.Path("AREA/1.MSG")), dos_error::kNone);
  EXPECT_EQ(dir.List("Area"), (Names{"3.msg"}));
  EXPECT_TRUE(dir.List("area").empty());
  EXPECT_EQ(dir.List("moved"), (Names{"1.msg", "2.msg"}));
}

TEST(CaseResolutionTest, FullPathsUseTheRealSpelling) {
  KESTREL_SKIP_ON_WINDOWS("Windows expands a path without reading the disk, in the spelling given");
  testing::TempDir dir;
  dir.MakeDir("Fido/NetMail");
  std::string expected = dir.Path("Fido/NetMail/new\\");
  for (char& c : expected) {
    if (c == '/') c = '\\';
  }
  EXPECT_EQ(GetFullPathName(dir.Path("FIDO\\.\\X\\..\\NETMAIL\\NEW\\")), expected);
}

}  // namespace
}  // namespace kestrel::platform
