// Hostile and damaged configuration files never crash the program: every run
// ends with one of the documented outcomes.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/kestrel_run.h"
#include "tests/support/run_program.h"

namespace kestrel::testing {
namespace {

const std::string kNoNetmail =
    std::string(kBannerOutput) + "Error: Path to netmail inbox not set. Please fix it.\n";

TEST(ConfigRobustnessTest, OverlongLinesAreCutAndTheNextLineStillCounts) {
  TempDir dir;
  // The line keeps 255 characters: "NETMAIL M" and 246 letters of the path.
  dir.MakeDir(std::string(246, 'x'));
  const std::string long_line = "NETMAIL M" + std::string(100000, 'x') + "LOG other.log";
  const ProgramResult result =
      RunKestrelOn(dir, long_line + "\r\nLOG kestrel.log\r\nPRIORITY TO\r\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(HasLog(dir));
  EXPECT_EQ(dir.List().size(), 3u);  // the tail of the long line named no log
}

TEST(ConfigRobustnessTest, NulBytesAreOrdinaryCharacters) {
  TempDir dir;
  constexpr char kBytes[] = "\0NETMAIL Mx\nNETMAIL M\0y\nPRIORITY \0\nLOG kestrel.log\n";
  const std::string config(kBytes, sizeof kBytes - 1);
  const ProgramResult result = RunKestrelOn(dir, config);
  // "PRIORITY \0" stores a word made of one NUL byte: priority is set. The
  // first line is no keyword line; the area of the second, whose path holds a
  // NUL, cannot exist.
  EXPECT_EQ(result.exit_code, 255) << result.output;
  EXPECT_EQ(result.output, std::string(kBannerOutput) + "Scanning " + std::string("\0Y", 2) +
                               "\nError: unable to open messagebase - M" + std::string("\0Y", 2) +
                               "\n");
  EXPECT_TRUE(HasLog(dir));
}

TEST(ConfigRobustnessTest, BinaryGarbage) {
  TempDir dir;
  std::mt19937 random(20000615);
  std::string garbage(1 << 18, '\0');
  for (char& c : garbage)
    c = static_cast<char>(random() & 0xFF);
  const ProgramResult result = RunKestrelOn(dir, garbage);
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.output, kNoNetmail);
}

TEST(ConfigRobustnessTest, LineEndsOfEveryKind) {
  for (const char* config :
       {"LOG kestrel.log\rNETMAIL Mx\rPRIORITY TO\r", "LOG kestrel.log\nNETMAIL Mx\nPRIORITY TO",
        "LOG kestrel.log\r\nNETMAIL Mx\n\rPRIORITY TO\r\n"}) {
    TempDir dir;
    dir.MakeDir("x");
    const ProgramResult result = RunKestrelOn(dir, config);
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_TRUE(HasLog(dir));
  }
}

TEST(ConfigRobustnessTest, EmptyFileAndOnlyComments) {
  for (const char* config : {"", ";\n; NETMAIL Mx\n", "\n\n\n", "\t\t\r\n   "}) {
    TempDir dir;
    const ProgramResult result = RunKestrelOn(dir, config);
    EXPECT_EQ(result.exit_code, 255);
    EXPECT_EQ(result.output, kNoNetmail);
  }
}

TEST(ConfigRobustnessTest, ThirtyThousandLines) {
  TempDir dir;
  dir.MakeDir("x");
  std::string config = "NETMAIL Mx\nPRIORITY TO\n";
  for (int i = 0; i < 30000; ++i)
    config += "; comment line " + std::to_string(i) + "\n";
  EXPECT_EQ(RunKestrelOn(dir, config).exit_code, 0);

  TempDir many_rules;
  config = "NETMAIL Mx\nPRIORITY TO\n";
  for (int i = 0; i < 30000; ++i)
    config += "TO name" + std::to_string(i) + ",KILL\n";
  const ProgramResult result = RunKestrelOn(many_rules, config);
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.output,
            std::string(kBannerOutput) + "Error: Too many TO lines (more than 100).\n");
}

// A configuration is a regular file of at most 1 MB: a device would be read
// forever (and the run could not even be stopped), a huge file for a long
// time. Either is refused at once, naming the file, before any log exists.
TEST(ConfigRobustnessTest, OnlyARegularFileOfAtMostOneMegabyteIsRead) {
  TempDir dir;
  dir.MakeDir("x");
  const std::string head = "NETMAIL Mx\nPRIORITY TO\nLOG kestrel.log\n";
  const std::size_t limit = 1024 * 1024;
  EXPECT_EQ(RunKestrelOn(dir, head + std::string(limit - head.size(), '\n')).exit_code, 0);
  EXPECT_TRUE(HasLog(dir));

  TempDir big;
  big.MakeDir("x");
  const ProgramResult too_big =
      RunKestrelOn(big, head + std::string(limit + 1 - head.size(), '\n'));
  EXPECT_EQ(too_big.exit_code, 255);
  EXPECT_EQ(too_big.output, std::string(kBannerOutput) +
                                "Error: Configuration file kestrel.cfg is larger than 1 MB "
                                "(1048576 bytes)\n");
  EXPECT_FALSE(HasLog(big));

#ifdef _WIN32
  const std::string kDevice = "NUL";
#else
  const std::string kDevice = "/dev/zero";
#endif
  const ProgramResult device = RunProgram({KestrelBinary(), kDevice}, dir.path());
  EXPECT_EQ(device.exit_code, 255);
  EXPECT_EQ(device.output, std::string(kBannerOutput) + "Error: Configuration file " + kDevice +
                               " is not a regular file\n");
}

}  // namespace
}  // namespace kestrel::testing
