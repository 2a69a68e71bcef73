// Runs over Squish bases damaged by the test: a free frame that claims more
// room than it has, and a message chain whose links are broken. No mail is
// overwritten, and no message stays behind to be copied again on every run.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "msgbase/factory/message_base_factory.h"
#include "tests/support/area_files.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

constexpr FidoAddress kHere{2, 5020, 1, 0};
// Frame header fields: next and prev links, frame length.
constexpr std::size_t kNextLink = 4;
constexpr std::size_t kFrameLength = 12;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

void PatchLe32(const std::string& path, std::size_t at, std::uint32_t value) {
  std::string bytes = ReadBytes(path);
  ASSERT_LE(at + 4, bytes.size());
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<char>(value >> (8 * i));
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The frame offset of the n-th index record (from 0) of a Squish base.
std::uint32_t FrameOf(const TempDir& dir, const std::string& name, std::size_t n) {
  return Le32(ReadBytes(dir.Path(name + ".sqi")), n * 12);
}

AreaMessage Message(const std::string& subject, const std::string& serial,
                    const std::string& body) {
  AreaMessage message = Netmail("Alice", kHere, "Sysop", kHere, subject, serial);
  message.text = "\x01MSGID: 2:5020/1 " + serial + "\r" + body + "\r";
  return message;
}

std::string Config(const std::string& source, const std::string& dest) {
  return "LOG kestrel.log\nNETMAIL " + source + "\nPRIORITY TO\nMOVE YES\nTO *," + dest + "\n";
}

TEST(DamagedSquishRunTest, AFreeFrameClaimingTooMuchRoomIsNotReused) {
  TempDir dir;
  const std::string dest = "S" + dir.Path("dest");
  AddMessages(dest, {Message("Before", "00000001", "First"), Message("Freed", "00000002", "Second"),
                     Message("After", "00000003", "Third"), Message("Later", "00000005", "Fourth"),
                     Message("Last", "00000006", "Fifth")});
  const std::uint32_t freed = FrameOf(dir, "dest", 1);
  {
    std::unique_ptr<MessageBase> base;
    ASSERT_TRUE(OpenBase(dest, base));
    base->SeekFirst(2);
    ASSERT_TRUE(base->KillMsg());
    CloseBase(base);
  }
  // The freed frame now claims 600 bytes more than it has, which still lies
  // inside the file: over the messages after it.
  const std::string sqd = dir.Path("dest.sqd");
  const std::uint32_t length = Le32(ReadBytes(sqd), freed + kFrameLength);
  PatchLe32(sqd, freed + kFrameLength, length + 600);

  const std::string source = "M" + dir.Path("in");
  const AreaMessage big = Message("Big", "00000004", std::string(length + 200, 'x'));
  AddMessages(source, {big});
  const ProgramResult run = RunKestrelOn(dir, Config(source, dest));
  EXPECT_EQ(run.exit_code, 0) << run.output;
  const std::vector<AreaMessage> stored = ReadArea(dest);
  ASSERT_EQ(Subjects(dest), (std::vector<std::string>{"Before", "After", "Later", "Last", "Big"}));
  EXPECT_EQ(stored[1].text, "\x01MSGID: 2:5020/1 00000003\rThird\r");
  EXPECT_EQ(stored[2].text, "\x01MSGID: 2:5020/1 00000005\rFourth\r");
  EXPECT_EQ(stored[4].text, big.text);
}

TEST(DamagedSquishRunTest, BrokenFrameLinksAreRepairedAndEveryMessageMovedOnce) {
  TempDir dir;
  const std::string source = "S" + dir.Path("net");
  AddMessages(source, {Message("One", "00000001", "First"), Message("Two", "00000002", "Second"),
                       Message("Three", "00000003", "Third")});
  // The middle frame's next link points nowhere: neither it nor the message
  // after it has neighbours that link back.
  PatchLe32(dir.Path("net.sqd"), FrameOf(dir, "net", 1) + kNextLink, 0x00FFFFF0);
  const std::string dest = "M" + dir.Path("out");
  for (int run_number = 1; run_number <= 2; ++run_number) {
    SCOPED_TRACE("run " + std::to_string(run_number));
    const ProgramResult run = RunKestrelOn(dir, Config(source, dest));
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(run.output.find("Warning"), std::string::npos) << run.output;
    EXPECT_EQ(Subjects(source), std::vector<std::string>{});
    EXPECT_EQ(Subjects(dest), (std::vector<std::string>{"One", "Two", "Three"}));
  }
}

}  // namespace
}  // namespace kestrel::testing
