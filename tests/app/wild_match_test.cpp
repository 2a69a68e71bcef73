#include "app/wild_match.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>

#include "app/address_match.h"
#include "app/address_pattern.h"

namespace kestrel {
namespace {

// The wildcard rules written as plainly as possible: recursion on the two
// positions, memoised so the comparison below stays quick.
class ReferenceMatcher {
 public:
  ReferenceMatcher(std::string text, std::string pattern)
      : text_(std::move(text)), pattern_(std::move(pattern)) {}
  bool Match(std::size_t i = 0, std::size_t j = 0) {
    const auto key = std::make_pair(i, j);
    if (auto found = memo_.find(key); found != memo_.end()) return found->second;
    bool result;
    if (i == pattern_.size()) {
      result = j == text_.size();
    } else if (j == text_.size()) {
      result = pattern_[i] == '*' && Match(i + 1, j);
    } else if (pattern_[i] == '*') {
      result = false;
      for (std::size_t k = text_.size() + 1; k-- > j && !result;)
        result = Match(i + 1, k);
    } else if (pattern_[i] == '?' || pattern_[i] == text_[j]) {
      result = Match(i + 1, j + 1);
    } else {
      result = false;
    }
    return memo_[key] = result;
  }

 private:
  std::string text_;
  std::string pattern_;
  std::map<std::pair<std::size_t, std::size_t>, bool> memo_;
};

TEST(WildMatchTest, StarsQuestionMarksAndLiterals) {
  EXPECT_TRUE(WildMatch("", ""));
  EXPECT_FALSE(WildMatch("A", ""));
  EXPECT_TRUE(WildMatch("", "*"));
  EXPECT_TRUE(WildMatch("ANYTHING AT ALL", "*"));
  EXPECT_FALSE(WildMatch("", "?"));
  EXPECT_TRUE(WildMatch("IVAN PETROV", "IVAN*"));
  EXPECT_TRUE(WildMatch("IVAN1", "IVAN?"));
  EXPECT_FALSE(WildMatch("IVAN", "IVAN?"));
  EXPECT_FALSE(WildMatch("IVAN12", "IVAN?"));
  EXPECT_TRUE(WildMatch("RE: URGENT REPLY", "*URGENT*"));
  EXPECT_FALSE(WildMatch("RE: URGENT REPLY", "*URGENT"));
  EXPECT_TRUE(WildMatch("ABCABD", "*AB?"));
  EXPECT_TRUE(WildMatch("AAB", "*A*B"));
  // No case folding and no special bytes: every other byte is itself.
  EXPECT_FALSE(WildMatch("sysop", "SYSOP"));
  EXPECT_TRUE(WildMatch(std::string("A\0B\xFF", 4), std::string("A\0?\xFF", 4)));
  EXPECT_FALSE(WildMatch("[A]", "[B]"));
}

TEST(WildMatchTest, AgreesWithTheRecursiveRulesOnRandomInputs) {
  std::mt19937 random(20260607);
  const std::string text_bytes = "AB?*";
  const std::string pattern_bytes = "AB?*";
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    std::string pattern;
    for (int n = random() % 8; n > 0; --n)
      text += text_bytes[random() % text_bytes.size()];
    for (int n = random() % 7; n > 0; --n)
      pattern += pattern_bytes[random() % pattern_bytes.size()];
    ASSERT_EQ(WildMatch(text, pattern), ReferenceMatcher(text, pattern).Match())
        << "text '" << text << "' pattern '" << pattern << "'";
  }
}

TEST(WildMatchTest, ManyStarsAgainstALongTextFinishWithoutBacktrackingExplosion) {
  // Naive recursion tries every split of the text among the stars: with 40
  // stars over 4000 bytes that would never end.
  const std::string text(4000, 'A');
  std::string pattern;
  for (int i = 0; i < 40; ++i)
    pattern += "*A";
  EXPECT_FALSE(WildMatch(text, pattern + "B"));
  EXPECT_TRUE(WildMatch(text, pattern + "*"));
  EXPECT_TRUE(WildMatch(text + "B", pattern + "*B"));
}

FidoAddress Addr(std::uint16_t zone, std::uint16_t net, std::uint16_t node, std::uint16_t point) {
  return {zone, net, node, point};
}

AddressPattern Pattern(std::string_view text) {
  AddressPattern pattern;
  ParseAddressPattern(text, pattern);
  return pattern;
}

TEST(MatchAddressPatternTest, EachPartMatchesItsDecimalText) {
  const AddressPattern net5020 = Pattern("2:5020/*.*");
  EXPECT_TRUE(MatchAddressPattern(net5020, Addr(2, 5020, 100, 0)));
  EXPECT_TRUE(MatchAddressPattern(net5020, Addr(2, 5020, 100, 5)));
  EXPECT_FALSE(MatchAddressPattern(net5020, Addr(2, 5021, 100, 0)));
  EXPECT_FALSE(MatchAddressPattern(net5020, Addr(1, 5020, 100, 0)));

  const AddressPattern one_x_zero = Pattern("2:5020/1?0.0");
  EXPECT_TRUE(MatchAddressPattern(one_x_zero, Addr(2, 5020, 170, 0)));
  EXPECT_FALSE(MatchAddressPattern(one_x_zero, Addr(2, 5020, 1700, 0)));
  EXPECT_FALSE(MatchAddressPattern(one_x_zero, Addr(2, 5020, 170, 1)));
}

TEST(MatchAddressPatternTest, MissingPartsAndOddNumbers) {
  // A pattern without a point part names no address at all.
  EXPECT_FALSE(MatchAddressPattern(Pattern("2:5020/*"), Addr(2, 5020, 100, 0)));
  EXPECT_FALSE(MatchAddressPattern(AddressPattern{}, Addr(0, 0, 0, 0)));
  // Parts above 32767 are matched as the unsigned numbers they are.
  AddressPattern high{"*", "65535", "4000?", "0"};
  EXPECT_TRUE(MatchAddressPattern(high, Addr(7, 65535, 40001, 0)));
  EXPECT_FALSE(MatchAddressPattern(high, Addr(7, 1, 40001, 0)));
  AddressPattern star_all{"*", "*", "*", "*"};
  EXPECT_TRUE(MatchAddressPattern(star_all, Addr(32768, 32767, 0, 65535)));
}

}  // namespace
}  // namespace kestrel
