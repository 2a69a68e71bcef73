#include "app/config_text.h"

#include <gtest/gtest.h>

#include <utility>

namespace kestrel {
namespace {

// Each range of code page 866 that changes, with the bytes on both sides of it.
TEST(UpCase866Test, RangeEdges) {
  const std::pair<unsigned char, unsigned char> cases[] = {
      {0x60, 0x60}, {0x61, 0x41}, {0x7A, 0x5A}, {0x7B, 0x7B},  // a..z
      {0x41, 0x41}, {0x80, 0x80}, {0x9F, 0x9F},                // capitals stay
      {0xA0, 0x80}, {0xAF, 0x8F}, {0xB0, 0xB0},                // small a..p
      {0xDF, 0xDF}, {0xE0, 0x90}, {0xEF, 0x9F},                // small r..ya
      {0xF0, 0xF0}, {0xF1, 0xF0}, {0xF2, 0xF2},                // small yo
      {0x00, 0x00}, {0xFF, 0xFF},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(static_cast<unsigned char>(UpCase866(static_cast<char>(in))), out)
        << "byte " << static_cast<int>(in);
  }
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
