#include "msgbase/io/file_stream.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

#include "msgbase/io/stream_hooks.h"
#include "tests/support/child_process.h"
#include "tests/support/platform_skips.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

std::string Digits(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i)
    text += static_cast<char>('0' + i % 10);
  return text;
}

TEST(FileStreamModeTest, ModeWordsBecomeDosRequests) {
  EXPECT_EQ(FileStream::RequestWord(0x2001), 0x3C00);  // create ignores the sharing byte
  EXPECT_EQ(FileStream::RequestWord(0x2002), 0x3D22);
  EXPECT_EQ(FileStream::RequestWord(0x2004), 0x3D20);
  EXPECT_EQ(FileStream::RequestWord(0x2008), 0x3D21);
  EXPECT_EQ(FileStream::RequestWord(0x0002), 0x3D02);
  EXPECT_EQ(FileStream::RequestWord(0x4004), 0x3D40);
  EXPECT_EQ(FileStream::RequestWord(0x0010), 0x5B00);
  for (std::uint32_t low : {0x00u, 0x03u, 0x05u, 0x20u, 0xFFu}) {
    EXPECT_FALSE(FileStream::IsValidMode(low)) << low;
    EXPECT_EQ(MakeFileStream("anything", low), nullptr) << low;
  }
}

TEST(DosFileTest, OpenModesOutsideTheDosFieldsAreRefused) {
  testing::TempDir dir;
  dir.WriteFile("f", "x");
  const auto error_of = [&dir](std::uint8_t open_mode) {
    DosFile file(dir.Path("f"), DosRequest(dos_function::kOpen, open_mode));
    EXPECT_EQ(file.Handle() == platform::kInvalidFileHandle, file.Status() == StInitError);
    return file.ErrorInfo();
  };
  constexpr auto kInvalidAccess = static_cast<std::int32_t>(platform::dos_error::kInvalidAccess);
  EXPECT_EQ(error_of(0x03), kInvalidAccess);  // access 3 does not exist
  EXPECT_EQ(error_of(0x50), kInvalidAccess);  // nor sharing classes 5-7
  EXPECT_EQ(error_of(0x70), kInvalidAccess);
  EXPECT_EQ(error_of(kOpenAccessRead | kOpenShareDenyWrite), 0);
  {
    DosFile holder(dir.Path("f"), DosRequest(dos_function::kOpen, kOpenShareDenyAll));
    EXPECT_EQ(error_of(kOpenAccessRead | kOpenShareDenyNone),
              static_cast<std::int32_t>(platform::dos_error::kSharingViolation));
  }
  EXPECT_EQ(error_of(kOpenAccessReadWrite | kOpenShareDenyRead), 0);
}

TEST(FileStreamTest, MissingFileFailsToOpenAndHoldsNoHandle) {
  testing::TempDir dir;
  auto stream = MakeFileStream(dir.Path("missing.bin"), kFileOpenReadWrite);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Status(), StInitError);
  EXPECT_EQ(stream->File().Handle(), platform::kInvalidFileHandle);
  EXPECT_EQ(stream->File().ErrorInfo(),
            static_cast<std::int32_t>(platform::dos_error::kFileNotFound));
  EXPECT_EQ(stream->Name(), dir.Path("missing.bin"));
  EXPECT_EQ(stream->Mode(), kFileOpenReadWrite);
}

TEST(FileStreamTest, ShortReadZeroFillsAndStatusSticksUntilReset) {
  KESTREL_SKIP_ON_WINDOWS(
      "reads a file the base still holds open deny-all: Windows lets no other opener in");
  testing::TempDir dir;
  dir.WriteFile("data.bin", "abcdefghij");
  auto stream = MakeFileStream(dir.Path("data.bin"), kFileOpenReadWrite);
  ASSERT_EQ(stream->Status(), StOk);
  stream->Seek(6);
  std::array<char, 10> buffer;
  buffer.fill('x');
  stream->Read(buffer.data(), 10);
  EXPECT_EQ(stream->Status(), StReadError);
  EXPECT_EQ(std::string(buffer.data(), 10), std::string(10, '\0'));
  EXPECT_EQ(stream->GetPos(), -1);
  EXPECT_EQ(stream->GetSize(), -1);

  // While failed, nothing reaches the file and reads stay zero.
  stream->Seek(0);
  stream->Write("XYZ", 3);
  buffer.fill('x');
  stream->Read(buffer.data(), 2);
  EXPECT_EQ(std::string(buffer.data(), 2), std::string(2, '\0'));
  EXPECT_EQ(dir.ReadFile("data.bin"), "abcdefghij");

  // Reset: the stream works again from where the short read left it (the end).
  stream->Reset();
  EXPECT_EQ(stream->Status(), StOk);
  EXPECT_EQ(stream->GetPos(), 10);
  stream->Seek(1);
  stream->Read(buffer.data(), 3);
  EXPECT_EQ(std::string(buffer.data(), 3), "bcd");
  EXPECT_EQ(stream->Status(), StOk);
}

TEST(FileStreamTest, TruncateWriteOfZeroAndNegativeSeek) {
  testing::TempDir dir;
  dir.WriteFile("data.bin", Digits(1000));
  auto stream = MakeFileStream(dir.Path("data.bin"), kFileOpenReadWrite);
  stream->Seek(100);
  stream->Truncate();
  EXPECT_EQ(stream->GetPos(), 100);
  EXPECT_EQ(stream->GetSize(), 100);

  stream->Seek(40);
  stream->Write(nullptr, 0);  // a write of nothing truncates, as under DOS
  EXPECT_EQ(stream->GetSize(), 40);
  EXPECT_EQ(stream->GetPos(), 40);

  stream->Seek(-5);
  EXPECT_EQ(stream->Status(), StOk);
  EXPECT_EQ(stream->GetPos(), 0);
  stream->Seek(25);
  EXPECT_EQ(stream->GetSize(), 40);
  EXPECT_EQ(stream->GetPos(), 25);  // GetSize keeps the position
  stream.reset();
  EXPECT_EQ(dir.ReadFile("data.bin"), Digits(40));
}

TEST(FileStreamTest, CreateReplacesAndCreateNewNeverTouchesAnExistingFile) {
  testing::TempDir dir;
  dir.WriteFile("17.msg", "old message");
  auto fresh = MakeFileStream(dir.Path("17.msg"), kFileCreateNew);
  EXPECT_EQ(fresh->Status(), StInitError);
  EXPECT_EQ(fresh->File().ErrorInfo(), static_cast<std::int32_t>(platform::dos_error::kFileExists));
  fresh.reset();
  EXPECT_EQ(dir.ReadFile("17.msg"), "old message");

  auto created = MakeFileStream(dir.Path("18.msg"), kFileCreateNew);
  ASSERT_EQ(created->Status(), StOk);
  created->Write("new", 3);
  created.reset();
  EXPECT_EQ(dir.ReadFile("18.msg"), "new");

  auto replaced = MakeFileStream(dir.Path("17.msg"), kFileCreate | kFileShareDenyWrite);
  ASSERT_EQ(replaced->Status(), StOk);
  EXPECT_EQ(replaced->GetSize(), 0);
  replaced->Write("x", 1);
  replaced.reset();
  EXPECT_EQ(dir.ReadFile("17.msg"), "x");
}

TEST(FileStreamTest, AccessFollowsTheModeWord) {
  testing::TempDir dir;
  dir.WriteFile("lastread", "ab");
  auto reader = MakeFileStream(dir.Path("lastread"), kFileOpenRead | kFileShareDenyNone);
  ASSERT_EQ(reader->Status(), StOk);
  reader->Write("zz", 2);
  EXPECT_EQ(reader->Status(), StError);
  reader.reset();

  auto writer = MakeFileStream(dir.Path("lastread"), kFileOpenWrite | kFileShareDenyNone);
  ASSERT_EQ(writer->Status(), StOk);
  writer->Seek(4);  // past the end: the write extends the file
  writer->Write("cd", 2);
  EXPECT_EQ(writer->Status(), StOk);
  writer.reset();
  EXPECT_EQ(dir.ReadFile("lastread"), std::string("ab\0\0cd", 6));
}

TEST(FileStreamTest, FilesPast2GiBCannotBeDescribed) {
  testing::TempDir dir;
  dir.WriteFile("huge.sqd", "");
  std::filesystem::resize_file(dir.Path("huge.sqd"), 3ull << 30);  // sparse: costs no space
  FileStream stream(dir.Path("huge.sqd"), kFileOpenRead);
  ASSERT_EQ(stream.Status(), StOk);
  EXPECT_EQ(stream.GetSize(), -1);  // not a negative or cut size
  EXPECT_EQ(stream.Status(), StError);
  stream.Reset();
  EXPECT_EQ(stream.GetPos(), 0);  // the position was put back
}

TEST(FileStreamTest, DirectoryCannotBeOpenedAsAFile) {
  testing::TempDir dir;
  dir.MakeDir("area");
  auto stream = MakeFileStream(dir.Path("area"), kFileOpenRead);
  EXPECT_EQ(stream->Status(), StInitError);
  EXPECT_EQ(stream->File().ErrorInfo(),
            static_cast<std::int32_t>(platform::dos_error::kAccessDenied));
  auto create = MakeFileStream(dir.Path("area"), kFileCreate);
  EXPECT_EQ(create->Status(), StInitError);
}

// A full disk, played by a file-size limit in a child process: a write that
// stores only part of its bytes is a write error, and later writes are dropped.
TEST(FileStreamTest, ShortWriteOnAFullDiskIsAWriteError) {
  KESTREL_SKIP_ON_WINDOWS("a full disk made with a file-size limit (fork, setrlimit)");
  testing::TempDir dir;
  const std::string path = dir.Path("full.bin");
  const int result = testing::RunInChild([&path] {
    testing::LimitFileSize(500);
    FileStream stream(path, kFileCreate);
    const std::string block = Digits(400);
    stream.Write(block.data(), 400);
    if (stream.Status() != StOk) return 1;
    stream.Write(block.data(), 400);  // only 100 bytes fit
    if (stream.Status() != StWriteError || stream.File().ErrorInfo() != 0) return 2;
    stream.Reset();
    stream.Write(block.data(), 10);  // nothing fits at all: the request fails
    if (stream.Status() != StError) return 3;
    if (stream.File().ErrorInfo() != static_cast<std::int32_t>(platform::dos_error::kDiskFull)) {
      return 4;
    }
    return 0;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(dir.ReadFile("full.bin"), Digits(400) + Digits(100));
}

}  // namespace
}  // namespace kestrel
