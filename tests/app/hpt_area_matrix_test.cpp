// Netmail areas the husky tosser wrote, one per format, run through the
// binary into every format: every header field, kludge line and text byte
// arrives, the source is untouched without MOVE, and with MOVE every message
// leaves it exactly once. What the tosser's own library reads back from each
// area is kept beside it (expected/) and is what the copies are held to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "msgbase/fido/fido_address.h"
#include "tests/support/area_files.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/fido_text.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

const std::string kHpt = std::string(KESTREL_SOURCE_DIR) + "/tests/data/hpt-netmail/";
constexpr int kHptMessages = 8;

struct Format {
  char letter;         // the area type of the configuration
  const char* folder;  // the fixture folder
};
constexpr Format kJam{'J', "jam"};
constexpr Format kSquish{'S', "squish"};
constexpr Format kMsg{'M', "msg"};

// A copy of the fixture area of `format` under `dir`/`name` (its base files
// or message directory, not expected/); returns the area as the
// configuration names it.
std::string CopyArea(const Format& format, const TempDir& dir, const std::string& name) {
  const fs::path from = kHpt + format.folder;
  const fs::path to = dir.Path(name);
  fs::create_directories(to);
  for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
    if (entry.path().filename() == "expected") continue;
    fs::copy(entry.path(), to / entry.path().filename(), fs::copy_options::recursive);
  }
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(to)) {
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
  }
  return std::string(1, format.letter) + (to / "netmail").string();
}

// The bytes of every file under `root`, by relative name.
std::map<std::string, std::string> FilesUnder(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), root).string()] = ReadWholeFile(entry.path().string());
    }
  }
  return files;
}

// One message as the tosser's library reads it back.
struct Expected {
  std::map<std::string, std::string> header;  // field -> value, escapes resolved
  std::vector<std::string> kludges;           // sorted
  std::string body;
};

// "\xNN" escapes of header.tsv to their bytes.
std::string Unescape(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\x") == 0 && i + 4 <= text.size()) {
      bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

std::vector<Expected> ReadExpected(const Format& format) {
  const std::string folder = kHpt + format.folder + "/expected/";
  std::vector<Expected> messages(kHptMessages);
  std::istringstream tsv(ReadWholeFile(folder + "header.tsv"));
  for (std::string line; std::getline(tsv, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    const int number = std::stoi(line.substr(0, tab1));
    messages.at(static_cast<std::size_t>(number - 1))
        .header[line.substr(tab1 + 1, tab2 - tab1 - 1)] = Unescape(line.substr(tab2 + 1));
  }
  for (int n = 1; n <= kHptMessages; ++n) {
    Expected& message = messages[static_cast<std::size_t>(n - 1)];
    const std::string ctrl = ReadWholeFile(folder + std::to_string(n) + ".ctrl");
    for (std::size_t at = 0; at < ctrl.size();) {
      const std::size_t next = ctrl.find(kKludgeMark, at + 1);
      message.kludges.push_back(ctrl.substr(at, next == std::string::npos ? next : next - at));
      at = next == std::string::npos ? ctrl.size() : next;
    }
    std::sort(message.kludges.begin(), message.kludges.end());
    message.body = ReadWholeFile(folder + std::to_string(n) + ".txt");
  }
  return messages;
}

// A text split as the tosser's library splits it: the kludge lines (sorted,
// without their line ends) and the rest, byte for byte.
void SplitText(const std::string& text, std::vector<std::string>& kludges, std::string& body) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t cr = text.find('\r', at);
    const std::size_t end = cr == std::string::npos ? text.size() : cr + 1;
    if (text[at] == kKludgeMark) {
      kludges.push_back(text.substr(at, (cr == std::string::npos ? end : cr) - at));
    } else {
      body.append(text, at, end - at);
    }
    at = end;
  }
  std::sort(kludges.begin(), kludges.end());
}

std::string DateText(const MsgDateTime& dt) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{dt.year},
                unsigned{dt.month}, unsigned{dt.day}, unsigned{dt.hour}, unsigned{dt.min},
                unsigned{dt.sec});
  return text;
}

// A JAM base stores every line with its carriage return, the last one too.
std::string EveryLineEnded(std::string body) {
  if (!body.empty() && body.back() != '\r') body += '\r';
  return body;
}

// Attribute bits 1 to 200h mean the same in the tosser's attribute word and
// in the attribute codes; the fixtures use no higher ones.
constexpr std::uint32_t kSharedAttributes = 0x03FF;

// The date written of *.MSG message `n`: its date text, "DD Mon YY  HH:MM:SS"
// at offset 144. The packed date beside it (which the tosser's library
// reports) keeps only even seconds; the text is what a copy carries.
std::string MsgDateWritten(int n, const Expected& expected) {
  const std::string file = ReadWholeFile(kHpt + "msg/netmail/" + std::to_string(n) + ".msg");
  return expected.header.at("written").substr(0, 11) + file.substr(144 + 11, 8);
}

// A Squish header keeps the seconds of a date halved.
std::string EvenSeconds(std::string date) {
  date.back() = static_cast<char>('0' + (date.back() - '0') / 2 * 2);
  return date;
}

void ExpectArrived(const AreaMessage& copy, const Expected& expected, const std::string& written,
                   bool through_jam) {
  EXPECT_EQ(copy.from, expected.header.at("from"));
  EXPECT_EQ(copy.to, expected.header.at("to"));
  EXPECT_EQ(copy.subj, expected.header.at("subj"));
  EXPECT_EQ(FormatAddress4D(copy.orig), expected.header.at("orig"));
  EXPECT_EQ(FormatAddress4D(copy.dest), expected.header.at("dest"));
  EXPECT_EQ(DateText(copy.written), written);
  const std::uint32_t attr = std::stoul(expected.header.at("attr"), nullptr, 16);
  ASSERT_EQ(attr & 0xFFFF & ~kSharedAttributes, 0u) << "fixture uses an unmapped attribute";
  EXPECT_EQ(copy.attributes & 0x7FFF, attr & kSharedAttributes);

  std::vector<std::string> kludges;
  std::string body;
  SplitText(copy.text, kludges, body);
  EXPECT_EQ(kludges, expected.kludges);
  if (through_jam) {
    EXPECT_EQ(EveryLineEnded(body), EveryLineEnded(expected.body));
  } else {
    EXPECT_EQ(body, expected.body);
  }
}

struct Pair {
  Format source;
  Format dest;
};

void PrintTo(const Pair& pair, std::ostream* out) {
  *out << pair.source.folder << " to " << pair.dest.folder;
}

void PrintTo(const Format& format, std::ostream* out) {
  *out << format.folder;
}

std::string PairName(const ::testing::TestParamInfo<Pair>& info) {
  return std::string(info.param.source.folder) + "_to_" + info.param.dest.folder;
}

class HptAreaMoveTest : public ::testing::TestWithParam<Pair> {
 protected:
  TempDir dir_;
};

TEST_P(HptAreaMoveTest, EveryMessageArrivesWholeAndLeavesTheSourceOnce) {
  const Pair pair = GetParam();
  const std::string source = CopyArea(pair.source, dir_, "source");
  const std::string dest = std::string(1, pair.dest.letter) + dir_.Path("dest/netmail");
  const ProgramResult run = RunKestrelOn(
      dir_, "LOG kestrel.log\nNETMAIL " + source + "\nPRIORITY TO\nMOVE YES\nTO *," + dest + "\n");
  ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir_);

  EXPECT_TRUE(ReadArea(source).empty());
  const std::vector<AreaMessage> copies = ReadArea(dest);
  ASSERT_EQ(copies.size(), static_cast<std::size_t>(kHptMessages));
  const std::vector<Expected> expected = ReadExpected(pair.source);
  const bool through_jam = pair.source.letter == 'J' || pair.dest.letter == 'J';
  for (int n = 1; n <= kHptMessages; ++n) {
    SCOPED_TRACE("message " + std::to_string(n));
    const Expected& wanted = expected[static_cast<std::size_t>(n - 1)];
    std::string written =
        pair.source.letter == 'M' ? MsgDateWritten(n, wanted) : wanted.header.at("written");
    if (pair.dest.letter == 'S') written = EvenSeconds(written);
    ExpectArrived(copies[static_cast<std::size_t>(n - 1)], wanted, written, through_jam);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFormatIntoEveryFormat, HptAreaMoveTest,
                         ::testing::Values(Pair{kJam, kJam}, Pair{kJam, kSquish}, Pair{kJam, kMsg},
                                           Pair{kSquish, kJam}, Pair{kSquish, kSquish},
                                           Pair{kSquish, kMsg}, Pair{kMsg, kJam},
                                           Pair{kMsg, kSquish}, Pair{kMsg, kMsg}),
                         PairName);

class HptAreaCopyTest : public ::testing::TestWithParam<Format> {
 protected:
  TempDir dir_;
};

TEST_P(HptAreaCopyTest, WithoutMoveTheSourceStaysByteForByte) {
  const Format source_format = GetParam();
  const std::string source = CopyArea(source_format, dir_, "source");
  const auto before = FilesUnder(dir_.Path("source"));
  const std::string dest = "S" + dir_.Path("dest/netmail");
  const ProgramResult run = RunKestrelOn(
      dir_, "LOG kestrel.log\nNETMAIL " + source + "\nPRIORITY TO\nMOVE NO\nTO *," + dest + "\n");
  ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir_);
  EXPECT_EQ(FilesUnder(dir_.Path("source")), before);
  EXPECT_EQ(Subjects(dest).size(), static_cast<std::size_t>(kHptMessages));
}

INSTANTIATE_TEST_SUITE_P(EachFormat, HptAreaCopyTest, ::testing::Values(kJam, kSquish, kMsg),
                         [](const ::testing::TestParamInfo<Format>& info) {
                           return std::string(info.param.folder);
                         });

TEST(HptSquishAreaTest, ADataFileWithoutItsIndexTakesMailAndKeepsItsOwn) {
  // The index went missing: the area, as a destination, keeps its eight
  // messages and gets the new one after them.
  TempDir dir;
  const std::string area = CopyArea(kSquish, dir, "hpt");
  fs::remove(area.substr(1) + ".sqi");
  const std::string outbox = "M" + dir.Path("outbox");
  AddMessages(outbox, {Netmail("Sender", {2, 5020, 2, 0}, "Sysop", {2, 5020, 1, 0}, "Into the area",
                               "0badcafe")});
  const ProgramResult run = RunKestrelOn(
      dir, "LOG kestrel.log\nNETMAIL " + outbox + "\nPRIORITY TO\nMOVE YES\nTO *," + area + "\n");
  ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir);
  const std::vector<std::string> subjects = Subjects(area);
  ASSERT_EQ(subjects.size(), static_cast<std::size_t>(kHptMessages + 1));
  EXPECT_EQ(subjects.front(), "Plain intra-zone netmail");
  EXPECT_EQ(subjects.back(), "Into the area");
  EXPECT_TRUE(Subjects(outbox).empty());
}

}  // namespace
}  // namespace kestrel::testing
