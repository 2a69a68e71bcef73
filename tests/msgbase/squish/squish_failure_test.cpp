// Writes that fail: every operation that stores something reports a failed
// write of its files as failure, and whichever write fails, no message that
// was in the base is lost or damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "msgbase/factory/message_base_factory.h"
#include "tests/msgbase/squish/squish_checker.h"
#include "tests/msgbase/squish/squish_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/platform_skips.h"
#include "tests/support/watched_files.h"

namespace kestrel::testing {
namespace {

std::string TextFor(int uid) {
  return "\x01MSGID: 1:2/3 0000000" + std::to_string(uid) + "\rText of message " +
         std::to_string(uid) + "\r" + (uid == 2 ? std::string(300, '2') + "\r" : "");
}

struct Scenario {
  const char* name;
  // Run on a base holding messages 1, 2 and 3; returns the operation's result.
  std::function<bool(SquishFixture&, SquishBase&)> operation;
  // Texts each message may have afterwards ("" for: it may be gone); a
  // message missing from the map must be there with its old text.
  std::map<int, std::set<std::string>> allowed;
};

class SquishFailureTest : public SquishFixture {
 protected:
  // The base with messages 1-3, written through plain file streams.
  void MakeBase() {
    InstallStreamFactories();
    auto base = CreateBase();
    for (int uid = 1; uid <= 3; ++uid) {
      TestMessage m;
      m.text = TextFor(uid);
      Add(*base, m);
    }
  }

  void RunWithEveryWriteFailing(const Scenario& scenario) {
    SCOPED_TRACE(scenario.name);
    for (std::int64_t k = 1;; ++k) {
      SCOPED_TRACE("failing write " + std::to_string(k));
      MakeBase();
      FileCalls calls;
      calls.fail_write = k;
      InstallWatchedFiles(calls);
      bool result = false;
      bool failed_in_operation = false;
      {
        SquishBase base;
        ASSERT_TRUE(base.OpenMsgBase(Base()));
        result = scenario.operation(*this, base);
        failed_in_operation = calls.failed;
        EXPECT_EQ(result, !failed_in_operation) << "error " << base.GetLastError();
        if (!result) {
          EXPECT_EQ(base.GetLastError(), 0x3008);
        }
      }
      InstallStreamFactories();
      ExpectNothingLost(scenario);
      // Opened once more (above), the base is sound again: whatever the
      // failed update left half done was put right.
      const SquishCheckReport check = CheckSquishBase(Base());
      EXPECT_TRUE(check.ok()) << check.Describe();
      if (!calls.failed) break;  // every write of the operation has failed once
      ASSERT_LT(k, 50) << "the operation keeps writing";
    }
  }

  void ExpectNothingLost(const Scenario& scenario) {
    SquishBase base;
    ASSERT_TRUE(base.OpenMsgBase(Base()));
    std::set<int> seen;
    for (base.SeekFirst(1); base.SeekFound(); base.SeekNext()) {
      const int uid = base.GetMsgNum();
      seen.insert(uid);
      ASSERT_TRUE(base.OpenMsg()) << "message " << uid << ": " << base.GetLastError();
      const std::string text = TextOf(base);
      const auto allowed = scenario.allowed.find(uid);
      if (allowed == scenario.allowed.end()) {
        EXPECT_TRUE(uid <= 3) << "unexpected message " << uid;
        EXPECT_EQ(text, TextFor(uid)) << uid;
      } else {
        EXPECT_TRUE(!text.empty() && allowed->second.count(text) != 0) << uid << ": " << text;
      }
    }
    for (int uid = 1; uid <= 3; ++uid) {
      const auto allowed = scenario.allowed.find(uid);
      if (allowed == scenario.allowed.end() || allowed->second.count("") == 0) {
        EXPECT_EQ(seen.count(uid), 1u) << "message " << uid << " is lost";
      }
    }
  }
};

bool AddNew(SquishFixture&, SquishBase& base, const std::string& text) {
  if (!base.CreateMsg()) return false;
  base.SetTo("Someone");
  base.GetTextStream()->Write(text.data(), static_cast<std::uint16_t>(text.size()));
  return base.WriteMsg();
}

bool Rewrite(SquishBase& base, int uid, const std::string& text) {
  base.SeekFirst(uid);
  if (!base.OpenMsg()) return false;
  base.SetTextPos(0);
  base.TruncateText();
  base.GetTextStream()->Write(text.data(), static_cast<std::uint16_t>(text.size()));
  return base.WriteMsg();
}

TEST_F(SquishFailureTest, AppendingANewMessage) {
  const std::string text = "New message\r";
  RunWithEveryWriteFailing({"append",
                            [&](SquishFixture& f, SquishBase& b) { return AddNew(f, b, text); },
                            {{4, {"", text}}}});
}

TEST_F(SquishFailureTest, PuttingANewMessageIntoAFreeFrame) {
  const std::string text = "Into the free frame\r";
  RunWithEveryWriteFailing({"reuse",
                            [&](SquishFixture& f, SquishBase& b) {
                              b.SeekFirst(2);
                              return b.KillMsg() && AddNew(f, b, text);
                            },
                            {{2, {"", TextFor(2)}}, {4, {"", text}}}});
}

TEST_F(SquishFailureTest, MovingAGrownMessage) {
  const std::string grown = TextFor(3) + std::string(500, 'g') + "\r";
  RunWithEveryWriteFailing({"move",
                            [&](SquishFixture&, SquishBase& b) { return Rewrite(b, 3, grown); },
                            {{3, {TextFor(3), grown}}}});
}

TEST_F(SquishFailureTest, MovingAGrownMessageIntoAFreeFrame) {
  const std::string grown = TextFor(1) + std::string(100, 'g') + "\r";
  RunWithEveryWriteFailing({"move into free",
                            [&](SquishFixture&, SquishBase& b) {
                              b.SeekFirst(2);
                              return b.KillMsg() && Rewrite(b, 1, grown);
                            },
                            {{1, {TextFor(1), grown}}, {2, {"", TextFor(2)}}}});
}

TEST_F(SquishFailureTest, RewritingInPlace) {
  const std::string shorter = "\x01MSGID: 1:2/3 00000002\rShort\r";
  RunWithEveryWriteFailing({"in place",
                            [&](SquishFixture&, SquishBase& b) { return Rewrite(b, 2, shorter); },
                            {{2, {TextFor(2), shorter}}}});
}

TEST_F(SquishFailureTest, KillingAMessage) {
  for (const int uid : {1, 2, 3}) {
    RunWithEveryWriteFailing({"kill",
                              [uid](SquishFixture&, SquishBase& b) {
                                b.SeekFirst(uid);
                                return b.KillMsg();
                              },
                              {{uid, {"", TextFor(uid)}}}});
  }
}

TEST_F(SquishFailureTest, RewritingTheHeader) {
  RunWithEveryWriteFailing({"header",
                            [](SquishFixture&, SquishBase& b) {
                              b.SeekFirst(2);
                              if (!b.OpenMsg()) return false;
                              b.SetSubj("Changed");
                              return b.RewriteHeader();
                            },
                            {}});
}

TEST_F(SquishFailureTest, CreatingABaseWhoseHeaderCannotBeWritten) {
  FileCalls calls;
  calls.fail_write = 1;
  InstallWatchedFiles(calls);
  std::unique_ptr<MessageBase> base;
  EXPECT_FALSE(OpenOrCreateBase("S" + dir_.Path("new"), base));
  EXPECT_EQ(BaseResult, 0x3009);
  EXPECT_TRUE(calls.failed);
  EXPECT_FALSE(base->IsOpened());
}

// A disk that runs full in the middle of a new frame: the part written is
// cut off again, so the next frame appended lies right behind the last one.
TEST_F(SquishFailureTest, AFrameAppendedInPartOnAFullDiskIsCutOffAgain) {
  KESTREL_SKIP_ON_WINDOWS("a full disk made with a file-size limit (fork, setrlimit)");
  MakeBase();
  const std::string sqd = FindAnyCase(Base() + ".sqd");
  const std::uintmax_t size_before = std::filesystem::file_size(sqd);
  const int result = RunInChild([&] {
    LimitFileSize(size_before + 100);
    SquishBase base;
    if (!base.OpenMsgBase(Base())) return 1;
    if (AddNew(*this, base, std::string(4000, 'x') + "\r")) return 2;  // must fail
    if (base.GetLastError() != 0x3008) return 3;
    base.CloseMsgBase();
    return 0;
  });
  ASSERT_EQ(result, 0);
  EXPECT_EQ(std::filesystem::file_size(sqd), size_before);
  // The next open puts right what the failed update left in the header (the
  // count of the message that was not stored).
  {
    SquishBase base;
    ASSERT_TRUE(base.OpenMsgBase(Base()));
    base.CloseMsgBase();
  }
  const SquishCheckReport after_failure = CheckSquishBase(Base());
  EXPECT_TRUE(after_failure.ok()) << after_failure.Describe();

  // With room again the message goes right behind the last frame.
  {
    SquishBase base;
    ASSERT_TRUE(base.OpenMsgBase(Base()));
    ASSERT_TRUE(AddNew(*this, base, std::string(4000, 'x') + "\r"));
    base.CloseMsgBase();
  }
  const SquishCheckReport check = CheckSquishBase(Base());
  EXPECT_TRUE(check.ok()) << check.Describe();
  EXPECT_EQ(check.unique_ids.size(), 4u);
}

}  // namespace
}  // namespace kestrel::testing
