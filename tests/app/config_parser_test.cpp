#include "app/config_parser.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace kestrel {
namespace {

// Parses raw lines as the reader does: prepare, then apply.
MoverConfig Parse(std::initializer_list<std::string> raw_lines,
                  ConfigProblems* problems = nullptr) {
  MoverConfig config;
  ConfigProblems local;
  for (const std::string& raw : raw_lines) {
    ApplyConfigLine(PrepareConfigLine(raw), config, problems ? *problems : local);
  }
  return config;
}

TEST(PrepareConfigLineTest, CommentsTabsAndUpperCase) {
  EXPECT_EQ(PrepareConfigLine("netmail x ; old"), "NETMAIL X ");
  EXPECT_EQ(PrepareConfigLine("; NETMAIL x"), "");
  EXPECT_EQ(PrepareConfigLine("NETMAIL\tx\ty;\tz"), "NETMAIL X Y");
  EXPECT_EQ(PrepareConfigLine("to \xA2\xE1\xA5\xAC,kill"), "TO \x82\x91\x85\x8C,KILL");
}

TEST(ConfigParserTest, NameRulesSplitAtTheFirstComma) {
  const MoverConfig c =
      Parse({"to Sysop,C:\\mail\\dest", "TO ,X", "TO  ,X", "FROM  Bob  ,  KILL  ", "TO NoComma"});
  ASSERT_EQ(c.ToRules.size(), 4u);
  EXPECT_EQ(c.ToRules[0].name, "SYSOP");
  EXPECT_EQ(c.ToRules[0].action, "C:\\MAIL\\DEST");
  EXPECT_EQ(c.ToRules[1].name, "X");  // leading delimiters are skipped
  EXPECT_EQ(c.ToRules[1].action, "X");
  EXPECT_EQ(c.ToRules[2].name, "");  // the first word is the space before the comma
  EXPECT_EQ(c.ToRules[2].action, "X");
  EXPECT_EQ(c.ToRules[3].name, "NOCOMMA");
  EXPECT_EQ(c.ToRules[3].action, "");
  ASSERT_EQ(c.FromRules.size(), 1u);
  EXPECT_EQ(c.FromRules[0].name, "BOB");
  EXPECT_EQ(c.FromRules[0].action, "KILL");
}

TEST(ConfigParserTest, SubjectRulesAndNotTouchNames) {
  const MoverConfig c = Parse({"SUBJ Re: hi, there,KILL", "NOT_TOUCH Sysop, Second"});
  ASSERT_EQ(c.SubjRules.size(), 1u);
  EXPECT_EQ(c.SubjRules[0].subject, "RE: HI");
  EXPECT_EQ(c.SubjRules[0].action, "THERE,KILL");
  ASSERT_EQ(c.NotTouchNames.size(), 1u);
  EXPECT_EQ(c.NotTouchNames[0], "SYSOP, SECOND");  // the whole rest, no comma splitting
}

TEST(ConfigParserTest, AddressRules) {
  const MoverConfig c =
      Parse({"TOADDR 2:5020/*.*,KILL", "TOADDR 2:5020/*,KILL", "FROMADDR 2:5020/1?0.0@net,Jdest",
             "FROMADDR 2:5020/1.5@fidonet, Sx ", "TOADDR garbage!,KILL"});
  ASSERT_EQ(c.ToAddrRules.size(), 3u);
  const AddrRule& any_point = c.ToAddrRules[0];
  EXPECT_EQ(any_point.address, FidoAddress{});
  EXPECT_EQ(any_point.pattern, (AddressPattern{"2", "5020", "*", "*"}));
  EXPECT_EQ(any_point.text, "2:5020/*.*");
  EXPECT_EQ(any_point.action, "KILL");
  EXPECT_EQ(c.ToAddrRules[1].pattern, (AddressPattern{"2", "5020", "*", ""}));
  EXPECT_EQ(c.ToAddrRules[2].address, FidoAddress{});
  EXPECT_EQ(c.ToAddrRules[2].pattern, AddressPattern{});  // malformed: never matches
  EXPECT_EQ(c.ToAddrRules[2].text, "GARBAGE!");

  ASSERT_EQ(c.FromAddrRules.size(), 2u);
  EXPECT_EQ(c.FromAddrRules[0].pattern, (AddressPattern{"2", "5020", "1?0", "0"}));
  EXPECT_EQ(c.FromAddrRules[0].action, "JDEST");
  const AddrRule& plain = c.FromAddrRules[1];
  EXPECT_EQ(plain.address, (FidoAddress{2, 5020, 1, 5}));
  EXPECT_EQ(plain.pattern, AddressPattern{});
  EXPECT_EQ(plain.text, "2:5020/1.5@FIDONET");
  EXPECT_EQ(plain.action, "SX");
}

TEST(ConfigParserTest, FlagsAcceptOnlyYesAndTheLastValueWins) {
  MoverConfig c = Parse(
      {"MOVE yes", "USELASTREAD  YES  ", "DON'T_TOUCH_LOCAL_AND_UNSENT_MAIL Yes", "UNSENT yes"});
  EXPECT_TRUE(c.MoveSource);
  EXPECT_TRUE(c.UseLastRead);
  EXPECT_TRUE(c.DontTouchLocalUnsent);
  EXPECT_TRUE(c.MarkUnsent);
  c = Parse(
      {"MOVE yes", "MOVE Y", "USELASTREAD YES!", "UNSENT ", "DON'T_TOUCH_LOCAL_AND_UNSENT_MAIL 1"});
  EXPECT_FALSE(c.MoveSource);
  EXPECT_FALSE(c.UseLastRead);
  EXPECT_FALSE(c.MarkUnsent);
  EXPECT_FALSE(c.DontTouchLocalUnsent);
}

TEST(ConfigParserTest, UserNumber) {
  EXPECT_EQ(Parse({"USERNUMBER 42"}).UserNumber, 42);
  EXPECT_EQ(Parse({"USERNUMBER  -7 "}).UserNumber, -7);
  EXPECT_EQ(Parse({"USERNUMBER 2147483647"}).UserNumber, 2147483647);
  EXPECT_EQ(Parse({"USERNUMBER 12abc"}).UserNumber, 0);
  EXPECT_EQ(Parse({"USERNUMBER 99999999999"}).UserNumber, 0);
  EXPECT_EQ(Parse({"USERNUMBER 5", "USERNUMBER "}).UserNumber, 0);
}

TEST(ConfigParserTest, PriorityWords) {
  MoverConfig c = Parse({"PRIORITY to from"});
  EXPECT_EQ(c.Priority[0], "TO");
  EXPECT_EQ(c.Priority[1], "FROM");
  for (std::size_t k = 2; k < kPriorityCount; ++k)
    EXPECT_EQ(c.Priority[k], "");
  c = Parse({"PRIORITY  A B  C D E F G H", "PRIORITY NOT_TOUCH_LONGER X"});
  EXPECT_EQ(c.Priority[0], "NOT_TOUCH");  // cut to 9
  EXPECT_EQ(c.Priority[1], "X");
  EXPECT_EQ(c.Priority[2], "");  // a later line replaces all six
  c = Parse({"PRIORITY A B C D E F G"});
  EXPECT_EQ(c.Priority[5], "F");
}

TEST(ConfigParserTest, LinesThatMatchNoKeywordAreIgnored) {
  const MoverConfig c = Parse({"  NETMAIL x", "NETMAIL", "NETMAILX y", "; NETMAIL z", "",
                               "TOADDRESS 1:1/1,KILL", "LOGFILE x", "NETMAIL\tMtab"});
  ASSERT_EQ(c.NetmailAreas.size(), 1u);
  EXPECT_EQ(c.NetmailAreas[0], "MTAB");  // a TAB after the keyword counts as its space
  EXPECT_TRUE(c.ToRules.empty());
  EXPECT_TRUE(c.ToAddrRules.empty());
  EXPECT_EQ(c.LogPath, "");
}

TEST(ConfigParserTest, LogPathAndNetmailAreas) {
  const MoverConfig c = Parse({"LOG  /var/log/kestrel.log ", "NETMAIL Sa ; comment", "NETMAIL Jb"});
  EXPECT_EQ(c.LogPath, "/VAR/LOG/KESTREL.LOG");
  ASSERT_EQ(c.NetmailAreas.size(), 2u);
  EXPECT_EQ(c.NetmailAreas[0], "SA");
  EXPECT_EQ(c.NetmailAreas[1], "JB");
}

TEST(ConfigParserTest, ValuesAreCutToTheirWidths) {
  const std::string long_word(300, 'n');
  MoverConfig c = Parse({"TO " + long_word + "," + long_word, "SUBJ " + long_word + ",KILL",
                         "NOT_TOUCH " + long_word, "TOADDR 1:2/3.4@" + long_word + ",KILL"});
  // A line is at most 255 characters when read from a file; values are cut
  // where they are stored whatever the line length.
  EXPECT_EQ(c.ToRules[0].name.size(), 36u);
  EXPECT_EQ(c.ToRules[0].action.size(), 255u);
  EXPECT_EQ(c.SubjRules[0].subject.size(), 72u);
  EXPECT_EQ(c.NotTouchNames[0].size(), 36u);
  EXPECT_EQ(c.ToAddrRules[0].text, "1:2/3.4@NNNNNNNNNNNN");
  EXPECT_EQ(c.ToAddrRules[0].address, (FidoAddress{1, 2, 3, 4}));
}

TEST(ConfigParserTest, ListsStopAtOneHundredAndNameTheFirstOverfullKeyword) {
  MoverConfig config;
  ConfigProblems problems;
  for (int i = 1; i <= 100; ++i) {
    ApplyConfigLine(PrepareConfigLine("FROM f" + std::to_string(i) + ",KILL"), config, problems);
  }
  EXPECT_EQ(config.FromRules.size(), 100u);
  EXPECT_EQ(problems.overfull_list, "");
  for (int i = 0; i < 150; ++i) {
    ApplyConfigLine(PrepareConfigLine("NOT_TOUCH n"), config, problems);
    ApplyConfigLine(PrepareConfigLine("FROM extra,KILL"), config, problems);
  }
  EXPECT_EQ(config.NotTouchNames.size(), 100u);
  EXPECT_EQ(config.FromRules.size(), 100u);
  EXPECT_EQ(config.FromRules.back().name, "F100");
  EXPECT_EQ(problems.overfull_list, "FROM");  // the first to ask for a 101st entry
}

}  // namespace
}  // namespace kestrel
