#include "msgbase/fido/string_functions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kestrel {
namespace {

TEST(IntToStrTest, SignedDecimalWithoutPadding) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(7), "7");
  EXPECT_EQ(IntToStr(-25536), "-25536");
  EXPECT_EQ(IntToStr(INT32_MIN), "-2147483648");
  EXPECT_EQ(IntToStr(INT32_MAX), "2147483647");
}

TEST(StrToWordTest, DecimalModulo65536AndZeroForNonNumbers) {
  EXPECT_EQ(StrToWord("5020"), 5020);
  EXPECT_EQ(StrToWord("  12"), 12);
  EXPECT_EQ(StrToWord("65535"), 65535);
  EXPECT_EQ(StrToWord("65536"), 0);
  EXPECT_EQ(StrToWord("70000"), 4464);
  // A very long digit string still gives its value modulo 65536 (10^20 mod 65536).
  EXPECT_EQ(StrToWord("100000000000000000000"), 0);
  EXPECT_EQ(StrToWord("99999999999999999999"), 65535);
  EXPECT_EQ(StrToWord("-1"), 65535);
  EXPECT_EQ(StrToWord(""), 0);
  EXPECT_EQ(StrToWord("   "), 0);
  EXPECT_EQ(StrToWord("12abc"), 0);
  EXPECT_EQ(StrToWord("12 "), 0);
  EXPECT_EQ(StrToWord("x"), 0);
}

TEST(StrToInt32Test, FullRangeAndRejections) {
  std::int32_t value = 99;
  EXPECT_TRUE(StrToInt32("  -42", value));
  EXPECT_EQ(value, -42);
  EXPECT_TRUE(StrToInt32("+2147483647", value));
  EXPECT_EQ(value, INT32_MAX);
  EXPECT_TRUE(StrToInt32("-2147483648", value));
  EXPECT_EQ(value, INT32_MIN);
  for (const char* bad : {"2147483648", "-2147483649", "12abc", "", "-", "1 2", "99999999999999"}) {
    value = 99;
    EXPECT_FALSE(StrToInt32(bad, value)) << bad;
    EXPECT_EQ(value, 0) << bad;
  }
}

TEST(ExtractWordTest, WordsBetweenRunsOfDelimiters) {
  const std::string text = "  a  b c";
  EXPECT_EQ(ExtractWord(1, text, " "), "a");
  EXPECT_EQ(ExtractWord(2, text, " "), "b");
  EXPECT_EQ(ExtractWord(3, text, " "), "c");
  EXPECT_EQ(ExtractWord(4, text, " "), "");
  EXPECT_EQ(ExtractWord(0, text, " "), "");
  EXPECT_EQ(ExtractWord(-1, text, " "), "");
  EXPECT_EQ(ExtractWord(1, "", " "), "");
  EXPECT_EQ(ExtractWord(1, "   ", " "), "");
  // Several delimiters; a leading delimiter is skipped.
  EXPECT_EQ(ExtractWord(3, "/2:5020/1.5", ".:/"), "1");
  EXPECT_EQ(ExtractWord(1, ",X", ","), "X");
  // Without delimiters the whole text is one word.
  EXPECT_EQ(ExtractWord(1, "abc", ""), "abc");
  // Bytes above 7Fh and NUL are ordinary characters.
  const std::string raw("\x80\0\xff,b", 5);
  EXPECT_EQ(ExtractWord(1, raw, ","), std::string("\x80\0\xff", 3));
}

TEST(ExtractWordTest, ExtractWordsGivesTheWordsExtractWordGives) {
  for (const std::string text : {"  a  b c", "/2:5020/1.5", "", "..", "1.2/3", "x::y//z.", "abc"}) {
    for (const std::string delimiters : {" ", ".:/", "./", ""}) {
      std::string_view words[5];
      ExtractWords(text, delimiters, words, 5);
      for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(words[n - 1], ExtractWord(n, text, delimiters)) << text << " " << n;
      }
    }
  }
}

TEST(ZeroTerminatedTest, CopyNeverWritesPastTheBuffer) {
  char buffer[8];
  std::memset(buffer, 'X', sizeof buffer);
  StrPCopy("abcdefghijk", buffer, 5);
  EXPECT_STREQ(buffer, "abcd");
  EXPECT_EQ(buffer[5], 'X');  // untouched past the given size
  StrPCopy("", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "");
  buffer[0] = 'Q';
  StrPCopy("abc", buffer, 0);
  EXPECT_EQ(buffer[0], 'Q');
}

TEST(ZeroTerminatedTest, StrPasLimitedStopsAtZeroOrBufferEndAndAt255) {
  const char terminated[6] = {'a', 'b', '\0', 'c', 'd', 'e'};
  EXPECT_EQ(StrPasLimited(terminated, sizeof terminated), "ab");
  const char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(StrPasLimited(unterminated, sizeof unterminated), "xyz");
  std::string long_text(400, 'q');
  EXPECT_EQ(StrPasLimited(long_text.c_str(), long_text.size() + 1), std::string(255, 'q'));
}

TEST(ZeroTerminatedTest, StrCatAppendsAsFarAsItFits) {
  char buffer[8] = "ab";
  StrCat(buffer, sizeof buffer, "cd");
  EXPECT_STREQ(buffer, "abcd");
  StrCat(buffer, sizeof buffer, "efghij");
  EXPECT_STREQ(buffer, "abcdefg");  // 7 bytes and the terminating 0
  StrCat(buffer, sizeof buffer, "z");
  EXPECT_STREQ(buffer, "abcdefg");
  char full[3] = {'a', 'b', 'c'};  // no terminating 0: left alone
  StrCat(full, sizeof full, "d");
  EXPECT_EQ(std::string(full, 3), "abc");
}

TEST(ZeroTerminatedTest, LengthAndBoundedCompare) {
  EXPECT_EQ(StrLen("hello", 6), 5u);
  EXPECT_EQ(StrLen("hello", 3), 3u);
  EXPECT_EQ(StrLen("", 1), 0u);
  EXPECT_EQ(StrLComp("abcX", "abcY", 3), 0);
  EXPECT_LT(StrLComp("abcX", "abcY", 4), 0);
  EXPECT_GT(StrLComp("b", "a", 5), 0);
  EXPECT_EQ(StrLComp("ab", "ab", 10), 0);  // stops at the terminating 0
  EXPECT_LT(StrLComp("ab", "abc", 10), 0);
  EXPECT_NE(StrLComp("abc", "ABC", 3), 0);  // case-sensitive
  EXPECT_LT(StrLComp("a", "\xE0", 1), 0);   // bytes compare unsigned
}

}  // namespace
}  // namespace kestrel
