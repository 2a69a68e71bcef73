#include "msgbase/fido/fido_address.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrel {
namespace {

FidoAddress Addr(int zone, int net, int node, int point) {
  return FidoAddress{static_cast<std::uint16_t>(zone), static_cast<std::uint16_t>(net),
                     static_cast<std::uint16_t>(node), static_cast<std::uint16_t>(point)};
}

struct ParseCase {
  const char* text;
  bool accepted;
  FidoAddress expected;  // starting from 9:9/9.9
};

TEST(ParseAddressTest, FillsOnlyThePartsTheTextGives) {
  const std::vector<ParseCase> cases = {
      {"2:5020/1.5", true, Addr(2, 5020, 1, 5)},
      {"2:5020/1", true, Addr(2, 5020, 1, 0)},
      {"5020/1", true, Addr(9, 5020, 1, 0)},
      {"5020/1.3", true, Addr(9, 5020, 1, 3)},
      {"1.5", true, Addr(9, 9, 1, 5)},
      {"1", true, Addr(9, 9, 1, 0)},
      {".7", true, Addr(9, 9, 9, 7)},
      {"/1.2", true, Addr(9, 9, 1, 2)},
      {"2:5020/1.5@fidonet", true, Addr(2, 5020, 1, 5)},
      {"2:5020", true, Addr(9, 9, 9, 9)},  // zone and net only: accepted, nothing changes
      {"2:5020/70000", true, Addr(2, 5020, 4464, 0)},  // modulo 65536
      {"2:5020/1/7", true, Addr(2, 5020, 1, 7)},       // any separator in the full form
      {"2:5020/1.2.3", true, Addr(2, 5020, 1, 2)},     // words after the fourth ignored
      {"1:2/3.65535", true, Addr(1, 2, 3, 65535)},
      {"", false, Addr(9, 9, 9, 9)},
      {"@net", false, Addr(9, 9, 9, 9)},
      {"/", false, Addr(9, 9, 9, 9)},
      {"2:5020/1 ", false, Addr(9, 9, 9, 9)},
      {" 2:5020/1", false, Addr(9, 9, 9, 9)},
      {"-1", false, Addr(9, 9, 9, 9)},
      {"2:5020/1a", false, Addr(9, 9, 9, 9)},
      {"2:5020/*", false, Addr(9, 9, 9, 9)},
  };
  for (const ParseCase& c : cases) {
    FidoAddress addr = Addr(9, 9, 9, 9);
    EXPECT_EQ(ParseAddress(c.text, addr), c.accepted) << c.text;
    EXPECT_EQ(FormatAddress4D(addr), FormatAddress4D(c.expected)) << c.text;
  }
}

TEST(ParseAddressTest, DomainIsCutBeforeCharactersAreChecked) {
  FidoAddress addr;
  // Letters after "@" are allowed: they go with the domain.
  EXPECT_TRUE(ParseAddress("2:5020/1@Fido Net!", addr));
  EXPECT_EQ(addr, Addr(2, 5020, 1, 0));
}

TEST(FormatAddressTest, TextForms) {
  EXPECT_EQ(FormatAddress(Addr(2, 5020, 1, 0)), "2:5020/1");
  EXPECT_EQ(FormatAddress(Addr(2, 5020, 1, 7)), "2:5020/1.7");
  EXPECT_EQ(FormatAddress3D(Addr(2, 5020, 1, 7)), "2:5020/1");
  EXPECT_EQ(FormatAddress4D(Addr(2, 5020, 1, 0)), "2:5020/1.0");
  // Parts are unsigned: 40000 stays 40000, and text and number agree up to
  // 65535.
  FidoAddress addr;
  ASSERT_TRUE(ParseAddress("1:40000/1", addr));
  EXPECT_EQ(FormatAddress(addr), "1:40000/1");
  EXPECT_EQ(FormatAddress(Addr(32768, 32767, 0, 65535)), "32768:32767/0.65535");
}

TEST(FidoAddressTest, ClearAndZero) {
  FidoAddress addr = Addr(0, 0, 0, 1);
  EXPECT_FALSE(IsZeroAddress(addr));
  EXPECT_FALSE(IsZeroAddress(Addr(1, 0, 0, 0)));
  ClearAddress(addr);
  EXPECT_TRUE(IsZeroAddress(addr));
  EXPECT_EQ(addr, FidoAddress{});
}

TEST(CompareAddressTest, OrdersPartByPartAsUnsignedNumbers) {
  EXPECT_EQ(CompareAddress(Addr(1, 1, 1, 1), Addr(1, 1, 1, 2)), -1);
  EXPECT_EQ(CompareAddress(Addr(1, 1, 1, 2), Addr(1, 1, 1, 1)), 1);
  EXPECT_EQ(CompareAddress(Addr(1, 1, 1, 1), Addr(1, 1, 1, 1)), 0);
  // The zone decides before anything else.
  EXPECT_EQ(CompareAddress(Addr(1, 9, 9, 9), Addr(2, 0, 0, 0)), -1);
  EXPECT_EQ(CompareAddress(Addr(2, 1, 9, 9), Addr(2, 2, 0, 0)), -1);
  EXPECT_EQ(CompareAddress(Addr(2, 2, 1, 9), Addr(2, 2, 2, 0)), -1);
  // A point of 65535 sorts above every smaller one.
  FidoAddress highest;
  ASSERT_TRUE(ParseAddress("1:1/1.65535", highest));
  EXPECT_EQ(CompareAddress(highest, Addr(1, 1, 1, 32767)), 1);
  EXPECT_EQ(CompareAddress(Addr(1, 40000, 1, 0), Addr(1, 3, 1, 0)), 1);
}

}  // namespace
}  // namespace kestrel
