#include "msgbase/io/base_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msgbase/io/file_stream.h"
#include "msgbase/io/mem_stream.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

// A stream that records the size of every transfer and hands out a running
// byte count when read.
class RecordingStream : public BaseStream {
 public:
  RecordingStream() : BaseStream("recording", 0) {}
  void Read(void* buffer, std::uint16_t count) override {
    reads.push_back(count);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (std::uint16_t i = 0; i < count; ++i)
      bytes[i] = static_cast<std::uint8_t>(next_++);
  }
  void Write(const void* buffer, std::uint16_t count) override {
    writes.push_back(count);
    const auto* bytes = static_cast<const char*>(buffer);
    written.append(bytes, count);
  }
  void Seek(std::int32_t) override {}
  std::int32_t GetPos() override { return 0; }
  std::int32_t GetSize() override { return 0; }
  void Flush() override {}
  void Truncate() override {}
  void Reset() override {}

  std::vector<int> reads;
  std::vector<int> writes;
  std::string written;

 private:
  unsigned next_ = 0;
};

TEST(CopyFromTest, MovesChunksOfAtMost1024Bytes) {
  RecordingStream source;
  RecordingStream target;
  target.CopyFrom(source, 2500);
  EXPECT_EQ(source.reads, (std::vector<int>{1024, 1024, 452}));
  EXPECT_EQ(target.writes, (std::vector<int>{1024, 1024, 452}));
  ASSERT_EQ(target.written.size(), 2500u);
  for (std::size_t i = 0; i < target.written.size(); ++i) {
    ASSERT_EQ(static_cast<std::uint8_t>(target.written[i]), static_cast<std::uint8_t>(i)) << i;
  }

  RecordingStream idle;
  idle.CopyFrom(source, 0);
  idle.CopyFrom(source, -7);
  EXPECT_TRUE(idle.writes.empty());
}

TEST(CopyFromTest, FailingSourceYieldsZerosThatAreStillWritten) {
  testing::TempDir dir;
  dir.WriteFile("short.bin", "abc");
  FileStream source(dir.Path("short.bin"), kFileOpenRead);
  MemStream target;
  target.CopyFrom(source, 1500);
  EXPECT_EQ(source.Status(), StReadError);
  EXPECT_EQ(target.GetSize(), 1500);
  std::string copied(1500, '?');
  target.Seek(0);
  target.Read(copied.data(), 1500);
  EXPECT_EQ(copied, std::string(1500, '\0'));  // the short first chunk is cleared too
}

TEST(CopyFromTest, FileToFileCopiesTheWholeStretch) {
  testing::TempDir dir;
  std::string text;
  for (int i = 0; i < 5000; ++i)
    text += static_cast<char>(i * 7);
  dir.WriteFile("in.bin", text);
  FileStream source(dir.Path("in.bin"), kFileOpenRead);
  {
    FileStream target(dir.Path("out.bin"), kFileCreate);
    source.Seek(1000);
    target.CopyFrom(source, 4000);
    EXPECT_EQ(target.Status(), StOk);
    EXPECT_EQ(target.GetPos(), 4000);
  }
  EXPECT_EQ(dir.ReadFile("out.bin"), text.substr(1000));
}

}  // namespace
}  // namespace kestrel
