// The common ground of the Squish tests: a scratch base, messages with fixed
// dates, and the structure check after every step.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "msgbase/squish/squish_base.h"
#include "tests/msgbase/squish/squish_checker.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {

// 5 Mar 2001 07:08:09 and 6 Apr 2002 10:20:30, and how they are stored
// (DOS date and time words; the seconds lose their last bit).
inline const MsgDateTime kWritten{7, 8, 9, 0, 5, 3, 2001};
inline const MsgDateTime kArrived{10, 20, 30, 0, 6, 4, 2002};
inline constexpr std::uint16_t kWrittenDate = (21 << 9) | (3 << 5) | 5;
inline constexpr std::uint16_t kWrittenTime = (7 << 11) | (8 << 5) | (9 / 2);
inline constexpr std::uint16_t kArrivedDate = (22 << 9) | (4 << 5) | 6;
inline constexpr std::uint16_t kArrivedTime = (10 << 11) | (20 << 5) | (30 / 2);
inline constexpr char kWrittenText[] = "05 Mar 01  07:08:08";

struct TestMessage {
  std::string from = "Alice Sysop";
  std::string to = "Bob";
  std::string subject = "Hello";
  // The whole text stream: kludge lines and body, as written.
  std::string text = "Body\r";
  std::vector<std::uint32_t> attributes;
};

// The whole text of the open message; the text position is kept.
std::string TextOf(MessageBase& base);

class SquishFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The base path (without extension) and its files' bytes.
  std::string Base() const { return dir_.Path("netmail"); }
  std::string Sqd() const { return ReadAnyCase(Base() + ".sqd"); }
  std::string Sqi() const { return ReadAnyCase(Base() + ".sqi"); }
  std::string Sql() const { return ReadAnyCase(Base() + ".sql"); }
  bool HasFile(const std::string& relative) const {
    return !FindAnyCase(dir_.Path(relative)).empty();
  }

  std::unique_ptr<SquishBase> CreateBase();
  std::unique_ptr<SquishBase> OpenBase();
  // Creates, fills and writes a message with the fixed dates; returns its
  // unique id (0 when anything failed, which is also reported).
  std::uint32_t Add(SquishBase& base, const TestMessage& message);
  // Makes message `uid` current and opens it; "" with a failure otherwise.
  std::string Read(SquishBase& base, std::int32_t uid);
  // Unique ids in index order, by a forward scan.
  std::vector<std::int32_t> Scan(SquishBase& base);
  // The structure check of the files as they are now.
  void ExpectSound(const SquishCheckOptions& options = {});

  TempDir dir_;
};

}  // namespace kestrel::testing
