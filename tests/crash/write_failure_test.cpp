// Write failures: a destination that cannot grow (every file of the run is
// limited in size, as on a full disk) ends the run with the fatal error and
// exit code 255; the message being copied stays in its netmail area and the
// destination stays a sound base. A later run with room finishes the job.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/crash/msg_area_checker.h"
#include "tests/msgbase/squish/squish_checker.h"
#include "tests/support/area_files.h"
#include "tests/support/jam_checker.h"
#include "tests/support/platform_skips.h"
#include "tests/support/run_program.h"
#include "tests/support/running_program.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

constexpr FidoAddress kHere{2, 5020, 1, 0};
constexpr FidoAddress kThere{1, 2, 3, 4};
constexpr std::uint64_t kFileSizeLimit = 32 * 1024;
constexpr int kMessages = 8;
constexpr int kLargeMessage = 5;  // its text alone is larger than the limit

std::vector<AreaMessage> NetmailArea() {
  std::vector<AreaMessage> messages;
  for (int i = 0; i < kMessages; ++i) {
    AreaMessage message = Netmail("Sender", kThere, "Sysop", kHere, "mail " + std::to_string(i),
                                  "0000000" + std::to_string(i));
    if (i == kLargeMessage) message.text += std::string(kFileSizeLimit + 4096, 'L') + "\r";
    messages.push_back(message);
  }
  return messages;
}

std::vector<std::string> StructureProblems(const std::string& destination) {
  const std::string path = destination.substr(1);
  switch (destination[0]) {
    case 'M':
      return CheckMsgArea(path).problems;
    case 'S':
      return CheckSquishBase(path).problems;
    default:
      return CheckJamBase(path).problems;
  }
}

class FullDisk : public ::testing::TestWithParam<char> {};

TEST_P(FullDisk, TheCopyFailsTheRunAndTheSourceMessageStays) {
  KESTREL_SKIP_ON_WINDOWS("a full disk made with a file-size limit (setrlimit)");
  TempDir dir;
  const std::string netmail = "M" + dir.Path("netmail");
  const std::string destination = std::string(1, GetParam()) + dir.Path("dest");
  AddMessages(netmail, NetmailArea());
  // No log file: the limit is for the destination.
  dir.WriteFile("kestrel.cfg",
                "NETMAIL " + netmail + "\nTO SYSOP, " + destination + "\nMOVE YES\nPRIORITY TO\n");

  RunningProgram starved({KestrelBinary(), "kestrel.cfg"}, dir.path(), kFileSizeLimit);
  const ProgramResult run = starved.Wait();
  EXPECT_EQ(run.exit_code, 255) << run.output;
  EXPECT_NE(run.output.find("Error: Cannot write message. Wadda fuck?!"), std::string::npos)
      << run.output;

  // The messages before the large one moved; it and the rest stayed.
  std::vector<std::string> left;
  for (int i = kLargeMessage; i < kMessages; ++i)
    left.push_back("mail " + std::to_string(i));
  EXPECT_EQ(Subjects(netmail), left);
  std::vector<std::string> moved;
  for (int i = 0; i < kLargeMessage; ++i)
    moved.push_back("mail " + std::to_string(i));
  std::vector<std::string> copied;
  for (const std::string& subject : Subjects(destination)) {
    if (!subject.empty()) copied.push_back(subject);  // a cut-off *.MSG file has no subject
  }
  EXPECT_EQ(copied, moved);
  // The destination opens (Subjects above opened it once, which puts right
  // what the failed update left) and is a sound base.
  for (const std::string& problem : StructureProblems(destination))
    ADD_FAILURE() << problem;

  // With room again the next run moves the rest, the large message whole.
  const ProgramResult next = RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
  EXPECT_EQ(next.exit_code, 0) << next.output;
  EXPECT_TRUE(Subjects(netmail).empty());
  const std::vector<AreaMessage> stored = ReadArea(destination);
  std::vector<std::string> all;
  for (const AreaMessage& message : stored) {
    if (message.subj.empty()) continue;
    all.push_back(message.subj);
    if (message.subj == "mail " + std::to_string(kLargeMessage)) {
      EXPECT_EQ(message.text.size(), NetmailArea()[kLargeMessage].text.size());
    }
  }
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kMessages));
  for (const std::string& problem : StructureProblems(destination))
    ADD_FAILURE() << problem;
}

// A run that copies without moving and is stopped by the full disk keeps its
// progress: the next run copies the message that failed and those after it,
// and nothing that the stopped run copied already.
TEST(FullDiskCopy, TheNextRunGoesOnFromTheMessageThatFailed) {
  KESTREL_SKIP_ON_WINDOWS("a full disk made with a file-size limit (setrlimit)");
  TempDir dir;
  const std::string netmail = "S" + dir.Path("netmail");
  const std::string destination = "M" + dir.Path("dest");
  AddMessages(netmail, NetmailArea());
  dir.WriteFile("kestrel.cfg", "NETMAIL " + netmail + "\nTO SYSOP, " + destination +
                                   "\nMOVE NO\nUSELASTREAD YES\nUSERNUMBER 1\nPRIORITY TO\n");

  RunningProgram starved({KestrelBinary(), "kestrel.cfg"}, dir.path(), kFileSizeLimit);
  EXPECT_EQ(starved.Wait().exit_code, 255);
  const ProgramResult next = RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
  EXPECT_EQ(next.exit_code, 0) << next.output;

  std::vector<std::string> copied;
  for (const std::string& subject : Subjects(destination)) {
    if (!subject.empty()) copied.push_back(subject);  // a cut-off *.MSG file has no subject
  }
  std::vector<std::string> each_once;
  for (int i = 0; i < kMessages; ++i)
    each_once.push_back("mail " + std::to_string(i));
  EXPECT_EQ(copied, each_once);
  EXPECT_EQ(Subjects(netmail), each_once);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FullDisk, ::testing::Values('M', 'S', 'J'),
                         [](const ::testing::TestParamInfo<char>& info) {
                           return std::string(info.param == 'M'   ? "MsgDir"
                                              : info.param == 'S' ? "Squish"
                                                                  : "Jam");
                         });

}  // namespace
}  // namespace kestrel::testing
