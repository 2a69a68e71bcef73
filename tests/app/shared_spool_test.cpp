// The kestrel binary in a spool that other accounts may write: planted links,
// names and files no tosser writes, messages it may only read, numbers past
// what a *.MSG area can hold. Link targets live in a second directory, which
// is checked byte for byte after each run.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/area_files.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/peer_programs.h"
#include "tests/support/platform_skips.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

constexpr FidoAddress kHere{2, 5020, 1, 0};
constexpr FidoAddress kFar{1, 123, 45, 0};
constexpr char kVictimBytes[] = "a file the spool's owner never meant Kestrel to touch\n";
constexpr char kRefused[] = "symbolic link refused - ";

std::size_t CountOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

class SharedSpoolTest : public ::testing::Test {
 protected:
  std::string Id(char kind, const std::string& name) const {
    return std::string(1, kind) + spool_.Path(name);
  }
  ProgramResult Run(const std::string& config) {
    return RunKestrelOn(spool_, "LOG kestrel.log\n" + config);
  }
  // Links `name` in the spool to `target` in the other directory.
  void Plant(const std::string& name, const std::string& target) const {
    fs::create_symlink(targets_.Path(target), spool_.Path(name));
  }
  // One message in an area of this kind, to a recipient no rule names.
  void AddBystander(const std::string& id) const {
    AddMessages(id, {Netmail("Nobody", kFar, "Somebody", kHere, "Stays", "0000000a")});
  }
  // The bytes of a *.MSG message file addressed to `to`.
  std::string MessageFile(const std::string& to, const std::string& subj) const {
    static int count = 0;
    const std::string proto = "proto" + std::to_string(++count);
    AddMessages(Id('M', proto), {Netmail("Ivan", kFar, to, kHere, subj, "0000000b")});
    return spool_.ReadFile(proto + "/1.msg");
  }

  TempDir spool_;
  TempDir targets_;
};

TEST_F(SharedSpoolTest, APlantedLinkIsNeverWrittenThroughAndIsNamed) {
  KESTREL_SKIP_ON_WINDOWS("symbolic links (Wine makes none)");
  struct Case {
    const char* what;
    char kind;         // of the scanned area "net"
    const char* link;  // planted in the spool
    const char* options;
  };
  const Case cases[] = {
      {"*.MSG stored MSGID", 'M', "net/msgid", "MOVE YES\n"},
      {"*.MSG lastread", 'M', "net/lastread", "USELASTREAD YES\nUSERNUMBER 1\n"},
      {"Squish stored MSGID", 'S', "net.msgid", "USELASTREAD YES\nUSERNUMBER 1\n"},
      {"Squish lastread", 'S', "net.sql", "USELASTREAD YES\nUSERNUMBER 1\n"},
      {"JAM stored MSGID", 'J', "net.msgid", "USELASTREAD YES\nUSERNUMBER 1\n"},
      {"JAM lastread", 'J', "net.jlr", "USELASTREAD YES\nUSERNUMBER 1\n"},
      {"data file of a Squish destination to be made", 'M', "dest.sqd", "MOVE YES\n"},
      {"index file of a Squish destination to be made", 'M', "dest.sqi", "MOVE YES\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(spool_.path());
    fs::create_directory(spool_.path());
    const std::string net = Id(c.kind, "net");
    AddMessages(net, {Netmail("Ivan", kFar, "Sysop", kHere, "Moved", "0000000c")});
    AddBystander(net);
    // An existing target, and a link that points nowhere yet.
    targets_.WriteFile("victim", kVictimBytes);
    fs::remove(spool_.Path(c.link));
    Plant(c.link, "victim");
    for (const bool dangling : {false, true}) {
      SCOPED_TRACE(dangling ? "dangling link" : "link to a file");
      if (dangling) {
        fs::remove(spool_.Path(c.link));
        Plant(c.link, "absent");
      }
      const ProgramResult result = Run("NETMAIL " + net + "\nPRIORITY TO\n" + c.options +
                                       "TO SYSOP," + Id('S', "dest") + "\n");
      EXPECT_EQ(result.exit_code, 255) << result.output;
      EXPECT_NE(result.output.find(std::string(kRefused) + spool_.Path(c.link)), std::string::npos)
          << result.output;
      EXPECT_NE(ReadLog(spool_).find(std::string(kRefused) + spool_.Path(c.link)),
                std::string::npos);
      EXPECT_EQ(targets_.ReadFile("victim"), kVictimBytes);
      EXPECT_EQ(targets_.List(), std::vector<std::string>{"victim"});
      EXPECT_TRUE(fs::is_symlink(spool_.Path(c.link)));
    }
  }
}

TEST_F(SharedSpoolTest, ALinkedMessageFileIsNeverCopied) {
  KESTREL_SKIP_ON_WINDOWS("symbolic links (Wine makes none)");
  const std::string net = Id('M', "net");
  const std::string dest = Id('M', "dest");
  const std::string secret = MessageFile("Sysop", "Only root may read this");
  targets_.WriteFile("secret.msg", secret);
  fs::permissions(targets_.Path("secret.msg"), fs::perms::owner_read);
  AddMessages(net, {Netmail("Ivan", kFar, "Sysop", kHere, "Ordinary", "0000000d")});
  Plant("net/9.msg", "secret.msg");

  const ProgramResult result = Run("NETMAIL " + net + "\nPRIORITY TO\nTO *," + dest + "\n");
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(Subjects(dest), std::vector<std::string>{"Ordinary"});
  for (const std::string& name : spool_.List("dest")) {
    EXPECT_EQ(spool_.ReadFile("dest/" + name).find("Only root"), std::string::npos) << name;
  }
  EXPECT_EQ(targets_.ReadFile("secret.msg"), secret);
  EXPECT_TRUE(fs::is_symlink(spool_.Path("net/9.msg")));
  const std::string warning = "1 file(s) not taken as messages";
  EXPECT_EQ(CountOf(result.output, "Warning: " + warning), 1u) << result.output;
  EXPECT_EQ(CountOf(ReadLog(spool_), "Warning: " + warning), 1u);
}

TEST_F(SharedSpoolTest, OddEntriesAreLeftAloneAndTheNextAreaIsStillScanned) {
  const std::string net = Id('M', "net");
  const std::string later = Id('M', "later");
  const std::string dest = Id('M', "dest");
  AddMessages(net, {Netmail("Ivan", kFar, "Sysop", kHere, "First", "0000000e")});
  const std::vector<std::string> odd = {"00017.msg", " 17.msg", "+17.msg", "17.5.msg"};
  const std::string bytes = MessageFile("Sysop", "Odd name");
  for (const std::string& name : odd)
    spool_.WriteFile("net/" + name, bytes);
  spool_.MakeDir("net/18.msg");
#ifdef _WIN32
  KESTREL_SKIP_ON_WINDOWS("FIFOs in a directory (mkfifo)");
#else
  ASSERT_EQ(::mkfifo(spool_.Path("net/19.msg").c_str(), 0600), 0);
#endif
  AddMessages(later, {Netmail("Ivan", kFar, "Sysop", kHere, "Later", "0000000f")});

  const ProgramResult result =
      Run("NETMAIL " + net + "\nNETMAIL " + later + "\nPRIORITY TO\nMOVE YES\nTO *," + dest + "\n");
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(Subjects(dest), (std::vector<std::string>{"First", "Later"}));
  for (const std::string& name : odd)
    EXPECT_EQ(spool_.ReadFile("net/" + name), bytes) << name;
  EXPECT_TRUE(fs::is_directory(spool_.Path("net/18.msg")));
  EXPECT_TRUE(fs::is_fifo(spool_.Path("net/19.msg")));
  const std::string warning = "Warning: 6 file(s) not taken as messages";
  EXPECT_EQ(CountOf(result.output, warning), 1u) << result.output;
  EXPECT_EQ(CountOf(ReadLog(spool_), warning), 1u);
}

TEST_F(SharedSpoolTest, AMessageThatCannotBeWrittenIsStillCopied) {
  const std::string net = Id('M', "net");
  const std::string dest = Id('S', "dest");
  AddMessages(net, {Netmail("Ivan", kFar, "Sysop", kHere, "Read only", "00000010")});
  const std::string before = spool_.ReadFile("net/1.msg");
  fs::permissions(spool_.Path("net/1.msg"), fs::perms::owner_read | fs::perms::group_read);

  const ProgramResult result = Run("NETMAIL " + net + "\nPRIORITY TO\nTO SYSOP," + dest + "\n");
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(Subjects(dest), std::vector<std::string>{"Read only"});
  EXPECT_EQ(spool_.ReadFile("net/1.msg"), before);
}

// Runs kestrel with `config` while `read_only` (a directory or a file of the
// spool) is mounted read-only in a mount namespace of the run's own (root, or
// a system that lets users make one, is needed). Exit code 77: this cannot be
// done here.
ProgramResult RunWithReadOnly(TempDir& spool, const std::string& read_only,
                              const std::string& config) {
  const std::string unshare = FindProgram("unshare");
  const std::string shell = FindProgram("sh");
  if (unshare.empty() || shell.empty() ||
      RunProgram({unshare, "-m", shell, "-c", "true"}).exit_code != 0) {
    return {77, "unshare -m (util-linux) is not available here"};
  }
  spool.WriteFile("kestrel.cfg", "LOG kestrel.log\n" + config);
  return RunProgram({unshare, "-m", shell, "-c",
                     "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" || exit 77; "
                     "if [ -d \"$1\" ]; then touch \"$1/x\"; else true >> \"$1\"; fi 2>/dev/null "
                     "&& exit 78; exec \"$2\" kestrel.cfg",
                     "sh", spool.Path(read_only), KestrelBinary()},
                    spool.path());
}

TEST_F(SharedSpoolTest, AnAreaOnAReadOnlyFileSystemIsCopiedFrom) {
  const std::string net = Id('M', "ro/net");
  const std::string dest = Id('M', "dest");
  AddMessages(net, {Netmail("Ivan", kFar, "Sysop", kHere, "From read-only", "00000012")});
  const std::string before = spool_.ReadFile("ro/net/1.msg");
  const ProgramResult result =
      RunWithReadOnly(spool_, "ro", "NETMAIL " + net + "\nPRIORITY TO\nTO SYSOP," + dest + "\n");
  if (result.exit_code == 77) GTEST_SKIP() << "cannot mount here: " << result.output;
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(Subjects(dest), std::vector<std::string>{"From read-only"});
  EXPECT_EQ(spool_.ReadFile("ro/net/1.msg"), before);
}

TEST_F(SharedSpoolTest, AMessageThatCannotBeDeletedIsNotCopiedForAMove) {
  // A move of a message that cannot be deleted would copy it again on every
  // run: it is left in place with a warning instead, every run.
  const std::string net = Id('M', "net");
  const std::string dest = Id('M', "dest");
  AddMessages(net, {Netmail("Ivan", kFar, "Sysop", kHere, "Cannot leave", "00000013")});
  const std::string config = "NETMAIL " + net + "\nMOVE YES\nPRIORITY TO\nTO SYSOP," + dest + "\n";
  for (int run = 0; run < 2; ++run) {
    const ProgramResult result = RunWithReadOnly(spool_, "net/1.msg", config);
    if (result.exit_code == 77) GTEST_SKIP() << "cannot mount here: " << result.output;
    ASSERT_EQ(result.exit_code, 0) << result.output;
    EXPECT_NE(result.output.find("Warning: message 1 of messagebase - "), std::string::npos);
    EXPECT_NE(result.output.find(" is read-only; left in place"), std::string::npos)
        << result.output;
  }
  EXPECT_EQ(Subjects(dest), std::vector<std::string>{});
  EXPECT_EQ(Subjects(net), std::vector<std::string>{"Cannot leave"});
}

TEST_F(SharedSpoolTest, MessagesPastTheNumberLimitAreToldWithTheirCount) {
  const std::string net = Id('M', "net");
  const std::string dest = Id('M', "dest");
  const std::string bytes = MessageFile("Sysop", "Numbered high");
  for (const char* name : {"61439.msg", "61440.msg", "70000.msg"})
    spool_.WriteFile(std::string("net/") + name, bytes);

  const ProgramResult result =
      Run("NETMAIL " + net + "\nPRIORITY TO\nMOVE YES\nTO SYSOP," + dest + "\n");
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(Subjects(dest).size(), 1u);
  EXPECT_FALSE(spool_.Exists("net/61439.msg"));
  EXPECT_EQ(spool_.ReadFile("net/61440.msg"), bytes);
  EXPECT_EQ(spool_.ReadFile("net/70000.msg"), bytes);
  const std::string warning = "Warning: 2 message(s) numbered 61440 or above not scanned";
  EXPECT_EQ(CountOf(result.output, warning), 1u) << result.output;
  EXPECT_EQ(CountOf(ReadLog(spool_), warning), 1u);
}

TEST_F(SharedSpoolTest, AreasBehindLinkedDirectoriesAndALinkedLogKeepWorking) {
  KESTREL_SKIP_ON_WINDOWS("symbolic links (Wine makes none)");
  const std::string net = Id('M', "net");
  targets_.MakeDir("netmail");
  targets_.MakeDir("squish");
  Plant("net", "netmail");
  Plant("bases", "squish");
  targets_.WriteFile("kestrel.log", "earlier entries\n");
  Plant("kestrel.log", "kestrel.log");
  const std::string dest = Id('S', "bases/dest");
  AddMessages(net, {Netmail("Ivan", kFar, "Sysop", kHere, "Through links", "00000011")});
  AddBystander(Id('S', "bases/src"));

  const ProgramResult result =
      Run("NETMAIL " + net + "\nNETMAIL " + Id('S', "bases/src") +
          "\nPRIORITY TO\nMOVE YES\nUSELASTREAD YES\nUSERNUMBER 1\nTO SYSOP," + dest + "\n");
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(Subjects(dest), std::vector<std::string>{"Through links"});
  EXPECT_TRUE(Subjects(net).empty());
  EXPECT_TRUE(targets_.Exists("netmail/msgid"));
  EXPECT_TRUE(targets_.Exists("squish/src.msgid"));
  const std::string log = targets_.ReadFile("kestrel.log");
  EXPECT_EQ(log.rfind("earlier entries\n", 0), 0u);
  EXPECT_NE(log.find("End work."), std::string::npos);
  EXPECT_TRUE(fs::is_symlink(spool_.Path("kestrel.log")));
}

}  // namespace
}  // namespace kestrel::testing
