// Reads through a window over a file: every range gives the file's bytes,
// and what a plain read would fail at fails alike.
#include "msgbase/io/read_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "msgbase/io/stream_hooks.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

// A file whose bytes are known, read through a window in every way.
class ReadWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::size_t i = 0; i < 200000; ++i)
      bytes_ += static_cast<char>((i * 7 + i / 251) & 0xFF);
    dir.WriteFile("data.bin", bytes_);
    stream_ = MakeFileStream(dir.Path("data.bin"), kFileOpenRead);
    ASSERT_TRUE(stream_ && stream_->Status() == StOk);
  }
  std::string Read(ReadWindow& window, std::int64_t size, std::int64_t offset, std::size_t count,
                   bool& ok) {
    std::string out(count, '\0');
    ok = window.Read(*stream_, size, offset, out.data(), count);
    return out;
  }
  TempDir dir;
  std::string bytes_;
  std::unique_ptr<FileStream> stream_;
};

TEST_F(ReadWindowTest, EveryRangeReadsTheFileBytesAndRangesPastTheEndFail) {
  ReadWindow window;
  const std::int64_t size = static_cast<std::int64_t>(bytes_.size());
  bool ok = false;
  // Ranges inside one window, across window edges, larger than a window,
  // and at the very end of the file.
  const std::pair<std::int64_t, std::size_t> ranges[] = {
      {0, 76},    {76, 12288}, {4000, 200},     {65530, 20},   {70000, 4},
      {3, 70000}, {131072, 1}, {size - 10, 10}, {size - 1, 1}, {12345, 0}};
  for (const auto& [offset, count] : ranges) {
    const std::string got = Read(window, size, offset, count, ok);
    EXPECT_TRUE(ok) << offset << "+" << count;
    EXPECT_EQ(got, bytes_.substr(static_cast<std::size_t>(offset), count)) << offset;
  }
  Read(window, size, size - 5, 10, ok);
  EXPECT_FALSE(ok);
  stream_->Reset();
  // A size that says more than the file holds: the window cannot be
  // filled, and the range alone is read as a plain read would.
  ReadWindow fooled;
  const std::string got = Read(fooled, size + 100000, 150000, 16, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(got, bytes_.substr(150000, 16));
  Read(fooled, size + 100000, size + 10, 16, ok);
  EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace kestrel::testing
