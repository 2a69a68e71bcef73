#include "app/config_text.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

// The expected upper case of every byte of code page 866.
unsigned char ExpectedUpper(unsigned c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xA0 && c <= 0xAF) return static_cast<unsigned char>(c - 0x20);  // а..п
  if (c >= 0xE0 && c <= 0xEF) return static_cast<unsigned char>(c - 0x50);  // р..я
  if (c == 0xF1) return 0xF0;                                               // ё
  return static_cast<unsigned char>(c);
}

TEST(UpCase866Test, EveryByte) {
  for (unsigned c = 0; c < 256; ++c) {
    EXPECT_EQ(static_cast<unsigned char>(UpCase866(static_cast<char>(c))), ExpectedUpper(c))
        << "byte " << c;
  }
  // Spot checks at the edges of the ranges.
  EXPECT_EQ(UpCase866('\xA0'), '\x80');
  EXPECT_EQ(UpCase866('\xEF'), '\x9F');
  EXPECT_EQ(UpCase866('\xB0'), '\xB0');  // box drawing stays
  EXPECT_EQ(UpCase866('\xF2'), '\xF2');
}

TEST(UpCase866Test, UpperStringKeepsLengthAndNulBytes) {
  const std::string mixed("sysop \xAF\xE0\xA8\xA2\xA5\xE2\0x", 14);
  EXPECT_EQ(UpperString(mixed), std::string("SYSOP \x8F\x90\x88\x82\x85\x92\0X", 14));
  EXPECT_EQ(UpperString(""), "");
}

TEST(TrimSpacesTest, OnlySpacesAreTrimmed) {
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces("    "), "");
  EXPECT_EQ(TrimSpaces(""), "");
  EXPECT_EQ(TrimSpaces("\tx\t"), "\tx\t");
  EXPECT_EQ(TrimSpaces("x"), "x");
}

TEST(AfterFirstTest, EverythingAfterTheFirstSeparator) {
  EXPECT_EQ(AfterFirst("a,b,c", ','), "b,c");
  EXPECT_EQ(AfterFirst(",x", ','), "x");
  EXPECT_EQ(AfterFirst("x,", ','), "");
  EXPECT_EQ(AfterFirst("none", ','), "");
  EXPECT_EQ(CutToWidth("abcdef", 3), "abc");
  EXPECT_EQ(CutToWidth("ab", 3), "ab");
}

}  // namespace
}  // namespace kestrel
