// kestrel-check run as a sysop runs it: the findings it prints for each kind
// of mistake, with their line numbers, its exit codes, and a dry run that
// leaves the areas exactly as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/mover_config.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

ProgramResult RunCheck(const TempDir& dir, std::string_view config, bool dry_run = false) {
  dir.WriteFile("kestrel.cfg", config);
  std::vector<std::string> argv = {KESTREL_CHECK_BINARY, "kestrel.cfg"};
  if (dry_run) argv.push_back("--dry-run");
  return RunProgram(argv, dir.path());
}

// The finding lines ("kestrel.cfg:3: warning: ...") of the output.
std::vector<std::string> Findings(const std::string& output) {
  std::vector<std::string> findings;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("kestrel.cfg")) findings.push_back(line);
  return findings;
}

TEST(KestrelCheckTest, ReportsEachIgnoredOrUnusableLineWithItsNumberAndReason) {
  TempDir dir;
  dir.MakeDir("netmail");
  std::string config =
      "NETMAIL Mnetmail\n"                                      // 1
      "PRIORITY TO FROM SUBJECTS TOADDR\n"                      // 2: a word that is no list
      "NETMAL Mother\n"                                         // 3: unknown keyword
      "  TO Sysop, Mpersonal\n"                                 // 4: indented
      "LOG\n"                                                   // 5: no value
      "TO Alexander Konstantinovich Rimsky-Vasilevsky, KILL\n"  // 6: cut at 36
      "FROM Robot\n"                                            // 7: no comma
      "TOADDR 2:5020/*, KILL\n"                                 // 8: never matches
      "FROM Spam*, Mspam ; comment\n"                           // 9: destination to come
      "NETMAIL Mmissing\n"                                      // 10: no such area
      "\n"                                                      // 11: empty, fine
      "; only a comment\n";                                     // 12: fine
  // TO entries up to the limit (line 6 is the first), then one more.
  int line = 12;
  for (std::size_t k = 2; k <= kMaxListEntries + 1; ++k, ++line)
    config += "TO Name" + std::to_string(k) + ", KILL\n";
  const int after_limit = line;
  config += "LOG " + std::string(300, 'x') + "\n";  // cut at 255 bytes
  const int long_line = line + 1;

  const ProgramResult result = RunCheck(dir, config);
  EXPECT_EQ(result.exit_code, 2) << result.output;
  const std::vector<std::string> expected = {
      "kestrel.cfg: error: Kestrel refuses this configuration: \"Error: Too many TO lines (more "
      "than " +
          std::to_string(kMaxListEntries) + ").\"",
      "kestrel.cfg:2: warning: the PRIORITY word \"SUBJECTS\" names no list",
      "kestrel.cfg:3: warning: ignored: unknown keyword \"NETMAL\"",
      "kestrel.cfg:4: warning: ignored: TO is not in column one",
      "kestrel.cfg:5: warning: ignored: LOG without a value",
      "kestrel.cfg:6: warning: the name is cut to 36 characters: \"ALEXANDER KONSTANTINOVICH "
      "RIMSKY-VAS\"",
      "kestrel.cfg:7: error: rule without a comma",
      "kestrel.cfg:8: warning: the address pattern \"2:5020/*\" never matches: it gives no point "
      "part; write \"2:5020/*.*\"",
      "kestrel.cfg:9: note: the destination area \"MSPAM\" does not exist yet",
      "kestrel.cfg:10: error: the netmail area \"MMISSING\" does not exist",
      "kestrel.cfg:" + std::to_string(after_limit) + ": warning: ignored: a TO entry after the " +
          std::to_string(kMaxListEntries) + "th",
      "kestrel.cfg:" + std::to_string(long_line) +
          ": warning: the line is longer than 255 characters",
  };
  const std::vector<std::string> findings = Findings(result.output);
  ASSERT_EQ(findings.size(), expected.size()) << result.output;
  for (std::size_t k = 0; k < expected.size(); ++k)
    EXPECT_TRUE(findings[k].starts_with(expected[k])) << findings[k] << "\n  vs " << expected[k];
  // The effective tables show what Kestrel keeps, with the lines.
  EXPECT_NE(
      result.output.find("  TO         line 6    ALEXANDER KONSTANTINOVICH RIMSKY-VAS -> KILL\n"),
      std::string::npos)
      << result.output;
}

TEST(KestrelCheckTest, ExitCodeIsZeroOneOrTwo) {
  TempDir dir;
  dir.MakeDir("netmail");
  const std::string clean = "NETMAIL Mnetmail\nPRIORITY TO\nTO Sysop, Mpersonal\nMOVE yes\n";
  ProgramResult result = RunCheck(dir, clean);
  EXPECT_EQ(result.exit_code, 0) << result.output;  // a destination to come is only a note
  EXPECT_NE(result.output.find("0 error(s), 0 warning(s), 1 note(s)"), std::string::npos);

  result = RunCheck(dir, clean + "MOVE Y\n");
  EXPECT_EQ(result.exit_code, 1) << result.output;
  EXPECT_EQ(
      Findings(result.output),
      std::vector<std::string>({"kestrel.cfg:3: note: the destination area \"MPERSONAL\" "
                                "does not exist yet: Kestrel creates it at the first copy",
                                "kestrel.cfg:5: note: MOVE is given again: this value "
                                "replaces the one of line 4",
                                "kestrel.cfg:5: warning: MOVE \"Y\" is not YES: MOVE is off"}));

  result = RunCheck(dir, "NETMAIL Mnetmail\nUSELASTREAD YES\nPRIORITY TO\n");
  EXPECT_EQ(result.exit_code, 2) << result.output;
  EXPECT_NE(result.output.find("\"Error: Please set some number in UserNumber, not ZERO.\""),
            std::string::npos);

  result = RunProgram({KESTREL_CHECK_BINARY, "absent.cfg"}, dir.path());
  EXPECT_EQ(result.exit_code, 2);
  result = RunProgram({KESTREL_CHECK_BINARY}, dir.path());
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_NE(result.output.find("Usage: kestrel-check CONFIG [--dry-run]"), std::string::npos);
}

// Every file's bytes and every directory entry below the root.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> snapshot;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string name = std::filesystem::relative(entry.path(), root).string();
    snapshot[name] = entry.is_regular_file() ? ReadWholeFile(entry.path().string()) : "<dir>";
  }
  return snapshot;
}

TEST(KestrelCheckTest, DryRunShowsEachMessagesActionAndChangesNoByte) {
  TempDir dir;
  std::filesystem::copy(std::string(KESTREL_SOURCE_DIR) + "/examples/demo", dir.path(),
                        std::filesystem::copy_options::recursive);
  // The demo's own run makes areas of all three formats.
  ASSERT_EQ(RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path()).exit_code, 0);
  ASSERT_TRUE(dir.Exists("bills.sqd") && dir.Exists("point7.jhr") && dir.Exists("personal"));
  // A JAM base whose message count disagrees with its index is compacted
  // when a run opens it: a dry run must not. The count of active messages
  // is the 32-bit field at offset 12 of the .jhr file.
  std::string header = dir.ReadFile("point7.jhr");
  PutLe32(header, 12, GetLe32(header, 12) + 1);
  dir.WriteFile("point7.jhr", header);

  const std::string config =
      "NETMAIL Mpersonal\nNETMAIL Sbills\nNETMAIL Jpoint7\n"
      "MOVE YES\nUSELASTREAD YES\nUSERNUMBER 7\nPRIORITY NOT_TOUCH SUBJ TO\n"
      "TO Sysop, Mcopies\nSUBJ *Invoice*, KILL\nNOT_TOUCH Point*\n";
  dir.WriteFile("kestrel.cfg", config);
  const auto before = Snapshot(dir.path());
  const ProgramResult result = RunCheck(dir, config, true);
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(Snapshot(dir.path()), before);

  const std::string output = result.output;
  EXPECT_NE(output.find("subj \"Hello from Moscow\": TO line 8: move to MCOPIES\n"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("subj \"Invoice for November\": SUBJ line 9: kill\n"), std::string::npos);
  EXPECT_NE(output.find("subj \"Your new point\": not touched (NOT_TOUCH line 10)\n"),
            std::string::npos);
  EXPECT_NE(output.find("  MPERSONAL: 3 message(s): 0 copy to, 3 move to, 0 kill, 0 not "
                        "touched, 0 no rule\n"),
            std::string::npos);
  EXPECT_NE(output.find("  SBILLS: 1 message(s): 0 copy to, 0 move to, 1 kill, 0 not touched, "
                        "0 no rule\n"),
            std::string::npos);
  EXPECT_NE(output.find("  JPOINT7: 1 message(s): 0 copy to, 0 move to, 0 kill, 1 not touched, "
                        "0 no rule\n"),
            std::string::npos);
}

}  // namespace
}  // namespace kestrel::testing
