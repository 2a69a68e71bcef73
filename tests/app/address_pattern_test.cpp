#include "app/address_pattern.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrel {
namespace {

struct PatternCase {
  const char* text;
  bool result;
  AddressPattern expected;
};

TEST(ParseAddressPatternTest, PartsByForm) {
  const std::vector<PatternCase> cases = {
      {"2:5020/*.*", true, {"2", "5020", "*", "*"}},
      {"2:5020/*", true, {"2", "5020", "*", ""}},
      {"2:5020/1?0.0@NET", true, {"2", "5020", "1?0", "0"}},
      {"2:*/*.*", true, {"2", "*", "*", "*"}},
      {"/5020/1", true, {"", "5020", "1", ""}},  // leading "/" dropped
      {"5020/1.*", true, {"", "5020", "1", "*"}},
      {"5020/*/3", true, {"", "5020", "*", "3"}},  // "/" separates node and point too
      {"*.1", true, {"", "", "*", "1"}},
      {"12", true, {"", "", "12", ""}},
      {".5", true, {"", "", "", "5"}},
      {".5.6", true, {"", "", "", "5.6"}},  // the rest after the dot, as written
      {"2:5020", true, {"", "", "", ""}},   // no "/": accepted, nothing set
      {"1234567:1234567/1234567.1234567", true, {"12345", "12345", "12345", "12345"}},
      {"", false, {}},
      {"@NET", false, {}},
      {"/", false, {}},
      {"2:5020/1 ", false, {}},
      {"2:5020/A*", false, {}},
      {"-1", false, {}},
      {"2:5020/[1]", false, {}},
  };
  for (const PatternCase& c : cases) {
    AddressPattern pattern;
    EXPECT_EQ(ParseAddressPattern(c.text, pattern), c.result) << c.text;
    EXPECT_EQ(pattern, c.expected) << c.text;
  }
}

}  // namespace
}  // namespace kestrel
