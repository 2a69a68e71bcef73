#include "app/match_rules.h"

#include <gtest/gtest.h>

#include "app/config_parser.h"
#include "tests/app/recording_log.h"

namespace kestrel {
namespace {

using testing::RecordingLog;

// Builds a configuration from lines, as the configuration file would.
MoverConfig ConfigFrom(std::initializer_list<std::string_view> lines) {
  MoverConfig config;
  ConfigProblems problems;
  for (std::string_view line : lines)
    ApplyConfigLine(PrepareConfigLine(line), config, problems);
  return config;
}

CurrentHeader To(std::string to) {
  CurrentHeader header;
  header.msgTo = std::move(to);
  header.msgFrom = "Somebody";
  header.msgSubj = "Hello";
  return header;
}

TEST(MatchRulesTest, NotTouchOnlyActsWhenItComesFirst) {
  RecordingLog log;
  MoverConfig config = ConfigFrom({"NOT_TOUCH SYSOP", "TO SYSOP,C:\\X", "PRIORITY NOT_TOUCH TO"});
  RuleDecision decision = MatchRules(config, To("Sysop"), log);
  EXPECT_TRUE(decision.notTouched);
  EXPECT_FALSE(decision.matched);
  EXPECT_TRUE(log.entries.empty());

  config = ConfigFrom({"NOT_TOUCH SYSOP", "TO SYSOP,C:\\X", "PRIORITY TO NOT_TOUCH"});
  decision = MatchRules(config, To("Sysop"), log);
  EXPECT_TRUE(decision.matched);
  EXPECT_FALSE(decision.notTouched);
  EXPECT_EQ(decision.destination, "C:\\X");
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_EQ(log.entries[0].mark, kFoundMailMark);
  EXPECT_TRUE(log.entries[0].quiet);
  EXPECT_EQ(log.entries[0].message, "Found mail to `SYSOP`");
}

TEST(MatchRulesTest, OnlyTheListsNamedInPriorityAreTried) {
  RecordingLog log;
  const MoverConfig config = ConfigFrom({"PRIORITY TO", "FROM SOMEBODY,MF", "SUBJ HELLO,MS",
                                         "TOADDR 1:2/3,MT", "FROMADDR *:*/*.*,MFA"});
  CurrentHeader header = To("Nobody");
  header.msgDest = {1, 2, 3, 0};
  EXPECT_FALSE(MatchRules(config, header, log).matched);

  // An unknown word passes over, an empty one ends the walk.
  const MoverConfig odd = ConfigFrom({"PRIORITY BOGUS SUBJ", "SUBJ HELLO,MS", "FROM SOMEBODY,MF"});
  EXPECT_EQ(MatchRules(odd, header, log).destination, "MS");
  MoverConfig gap = ConfigFrom({"PRIORITY TO", "FROM SOMEBODY,MF"});
  gap.Priority[2] = "FROM";  // after an empty second word
  EXPECT_FALSE(MatchRules(gap, header, log).matched);
}

TEST(MatchRulesTest, EachListInPriorityOrderWithItsLogText) {
  const MoverConfig config =
      ConfigFrom({"PRIORITY FROMADDR TOADDR FROM SUBJ TO", "TO IVAN*,KILL", "SUBJ *URGENT*,C:\\URG",
                  "FROM ROBOT?,MROBOT", "TOADDR 2:5020/100,MT", "FROMADDR 1:*/*.*,MF1"});
  CurrentHeader header = To("Ivan Petrov");
  header.msgSubj = "re: urgent reply";
  header.msgFrom = "robot7";
  header.msgDest = {2, 5020, 100, 0};
  header.msgOrig = {1, 1, 1, 0};

  const struct {
    int strip;  // how many of the leading lists no longer match
    const char* destination;
    const char* logged;
  } cases[] = {
      {0, "MF1", "Found mail from address `1:*/*.*`"},
      {1, "MT", "Found mail to address `2:5020/100`"},
      {2, "MROBOT", "Found mail from `ROBOT?`"},
      {3, "C:\\URG", "Found mail with subj - `*URGENT*`"},
      {4, "KILL", "Found mail to `IVAN*`"},
  };
  for (const auto& c : cases) {
    CurrentHeader h = header;
    if (c.strip > 0) h.msgOrig = {3, 3, 3, 0};
    if (c.strip > 1) h.msgDest = {2, 5020, 100, 1};  // a plain address matches the .0 point only
    if (c.strip > 2) h.msgFrom = "robot77";
    if (c.strip > 3) h.msgSubj = "no hurry";
    RecordingLog log;
    const RuleDecision decision = MatchRules(config, h, log);
    EXPECT_TRUE(decision.matched) << c.logged;
    EXPECT_EQ(decision.destination, c.destination);
    EXPECT_EQ(decision.killIt, c.strip == 4);
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries[0].message, c.logged);
  }
}

TEST(MatchRulesTest, FirstMatchingRuleInFileOrderWins) {
  RecordingLog log;
  const MoverConfig config = ConfigFrom({"PRIORITY TO", "TO SYS*,MFIRST", "TO SYSOP,MSECOND"});
  const RuleDecision decision = MatchRules(config, To("sysop"), log);
  EXPECT_EQ(decision.destination, "MFIRST");
  EXPECT_EQ(log.entries.size(), 1u);
}

TEST(MatchRulesTest, CyrillicNamesMatchWhateverTheirCase) {
  RecordingLog log;
  // "ИВАН" in upper case in the rule, "иван" and "ёж" in lower case in the message.
  const MoverConfig config =
      ConfigFrom({"PRIORITY TO FROM", "TO \x88\x82\x80\x8D,MRU", "FROM \xF0*,KILL"});
  EXPECT_EQ(MatchRules(config, To("\xA8\xA2\xA0\xAD"), log).destination, "MRU");
  CurrentHeader header = To("nobody");
  header.msgFrom = "\xF1\xA6";
  EXPECT_TRUE(MatchRules(config, header, log).killIt);
}

TEST(MatchRulesTest, KillIsRecognisedWhateverItsCaseAndAnEmptyActionIsADestination) {
  RecordingLog log;
  MoverConfig config = ConfigFrom({"PRIORITY TO", "TO A"});
  config.ToRules.push_back({"B", "kill"});
  RuleDecision decision = MatchRules(config, To("A"), log);
  EXPECT_TRUE(decision.matched);
  EXPECT_FALSE(decision.killIt);
  EXPECT_EQ(decision.destination, "");
  decision = MatchRules(config, To("B"), log);
  EXPECT_TRUE(decision.killIt);
}

TEST(MatchRulesTest, HostileHeaderBytesAreComparedSafely) {
  RecordingLog log;
  const MoverConfig config = ConfigFrom({"PRIORITY TO SUBJ", "TO *\x01*,KILL", "SUBJ ?*,MANY"});
  EXPECT_TRUE(MatchRules(config, To(std::string("x\x01\xFFy", 4)), log).killIt);
  CurrentHeader header = To(std::string(36, '\0'));
  header.msgSubj = std::string(72, '\xFF');
  EXPECT_EQ(MatchRules(config, header, log).destination, "MANY");
}

}  // namespace
}  // namespace kestrel
