#include "msgbase/io/mem_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "msgbase/io/run_time_error.h"

namespace kestrel {
namespace {

std::string Pattern(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i)
    text += static_cast<char>('a' + i % 26);
  return text;
}

void WriteAll(MemStream& stream, const std::string& bytes) {
  stream.Write(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

std::string ReadBytes(MemStream& stream, std::uint16_t count) {
  std::string bytes(count, '?');
  stream.Read(bytes.data(), count);
  return bytes;
}

TEST(MemStreamTest, StartsEmpty) {
  MemStream stream;
  EXPECT_EQ(stream.GetSize(), 0);
  EXPECT_EQ(stream.GetPos(), 0);
  EXPECT_EQ(stream.Status(), StOk);
  EXPECT_EQ(stream.Mode(), 0u);
  EXPECT_EQ(stream.Name(), "");
}

TEST(MemStreamTest, TruncatedBytesNeverComeBackWhenTheStreamGrowsAgain) {
  MemStream stream;
  const std::string text = Pattern(40000);
  for (std::size_t at = 0; at < text.size(); at += 10000)
    WriteAll(stream, text.substr(at, 10000));
  stream.Seek(8292);
  stream.Truncate();
  EXPECT_EQ(stream.GetSize(), 8292);

  stream.Seek(29999);
  WriteAll(stream, "z");
  EXPECT_EQ(stream.GetSize(), 30000);
  stream.Seek(0);
  std::string bytes = ReadBytes(stream, 30000);
  EXPECT_EQ(bytes.substr(0, 8292), text.substr(0, 8292));
  EXPECT_EQ(bytes.substr(8292, 21707), std::string(21707, '\0'));
  EXPECT_EQ(bytes.back(), 'z');
}

TEST(MemStreamTest, DataCrossesBlockBoundaries) {
  MemStream stream;
  const std::string text = Pattern(20000);
  WriteAll(stream, text);
  stream.Seek(8000);
  EXPECT_EQ(ReadBytes(stream, 9000), text.substr(8000, 9000));
  EXPECT_EQ(stream.GetPos(), 17000);
}

TEST(MemStreamTest, ReadStopsAtTheSizeAndNeverShowsOldBytes) {
  MemStream stream;
  WriteAll(stream, "0123456789");
  stream.Seek(4);
  stream.Truncate();  // bytes 4-9 stay in the block but are past the size

  stream.Seek(2);
  EXPECT_EQ(ReadBytes(stream, 6), std::string("23\0\0\0\0", 6));
  EXPECT_EQ(stream.GetPos(), 4);
  EXPECT_EQ(stream.Status(), StOk);

  stream.Seek(50);  // past the size: nothing to read
  EXPECT_EQ(ReadBytes(stream, 3), std::string(3, '\0'));
  EXPECT_EQ(stream.GetPos(), 50);

  // Writing past the size fills the gap with zeros, not with the cut bytes.
  stream.Seek(8);
  WriteAll(stream, "XY");
  stream.Seek(0);
  EXPECT_EQ(ReadBytes(stream, 10), std::string("0123\0\0\0\0XY", 10));
}

TEST(MemStreamTest, NegativePositionsCountAsZero) {
  MemStream stream;
  WriteAll(stream, "abc");
  stream.Seek(-20);
  EXPECT_EQ(stream.GetPos(), 0);
  WriteAll(stream, "Z");
  stream.Seek(0);
  EXPECT_EQ(ReadBytes(stream, 3), "Zbc");
}

TEST(MemStreamTest, ResetIsNotOfferedAndImpossibleSizesAreMemoryFailures) {
  MemStream stream;
  try {
    stream.Reset();
    FAIL() << "Reset returned";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.code(), kFailureAbstractCall);
  }
  stream.Seek(0x7FFFFFF0);
  try {
    WriteAll(stream, Pattern(100));
    FAIL() << "a write past 2 GiB returned";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.code(), kFailureHeapOverflow);
  }
  EXPECT_EQ(stream.GetSize(), 0);
}

TEST(MemStreamTest, CopyFromAnotherStreamAppendsItsBytes) {
  MemStream source;
  const std::string text = Pattern(3000);
  WriteAll(source, text);
  source.Seek(500);
  MemStream target;
  WriteAll(target, "head:");
  target.CopyFrom(source, 2500);
  EXPECT_EQ(target.GetSize(), 2505);
  EXPECT_EQ(target.GetPos(), 2505);
  target.Seek(0);
  EXPECT_EQ(ReadBytes(target, 2505), "head:" + text.substr(500));
}

}  // namespace
}  // namespace kestrel
