// The object's own behaviour: operations only a format provides, default
// seeking, mail flags, ownership of the text, dates.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <vector>

#include "msgbase/io/mem_stream.h"
#include "msgbase/io/run_time_error.h"
#include "msgbase/plain_message_base.h"
#include "platform/clock.h"
#include "tests/msgbase/memory_format.h"

namespace kestrel {
namespace {

using testing::MemoryFormat;

int FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RunTimeError& error) {
    return error.code();
  }
  return 0;
}

TEST(MessageBaseDefaults, FormatOperationsStopWith217) {
  PlainMessageBase plain;
  plain.SetTextStream(std::make_unique<MemStream>());
  MsgDateTime dt{};
  {
    MessageBase& b = plain;
    const std::vector<std::function<void()>> calls = {
        [&] { b.OpenMsgBase("p"); },   [&] { b.CreateMsgBase("p"); },
        [&] { b.MsgBaseExists("p"); }, [&] { b.CloseMsgBase(); },
        [&] { b.MsgExists(1); },       [&] { b.GetMsgUid(); },
        [&] { b.SeekMsgUid(1); },      [&] { b.OpenMsg(); },
        [&] { b.OpenMsgHeader(); },    [&] { b.CloseMsg(); },
        [&] { b.GetHighMsgNum(); },    [&] { b.GetMsgCount(); },
        [&] { b.GetFrom(); },          [&] { b.GetTo(); },
        [&] { b.GetSubj(); },          [&] { b.SetFrom("a"); },
        [&] { b.SetTo("a"); },         [&] { b.SetSubj("a"); },
        [&] { b.GetAttr(AttrSent); },  [&] { b.SetAttr(AttrSent, true); },
        [&] { b.GetDateWritten(dt); }, [&] { b.GetDateArrived(dt); },
        [&] { b.SetDateWritten(dt); }, [&] { b.SetDateArrived(dt); },
        [&] { b.WriteMsg(); },         [&] { b.RewriteHeader(); },
        [&] { b.CreateMsg(); },        [&] { b.KillMsg(); },
        [&] { b.GetLastRead(0); },     [&] { b.SetLastRead(0, 1); },
        [&] { b.SeekFirst(1); },  // default seeking asks the format
        [&] { b.SetDatesNow(); },
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(FailureOf(calls[i]), kFailureAbstractCall) << "call " << i;
    }
    EXPECT_EQ(b.GetLastError(), 0);
  }
}

TEST(MessageBaseDefaults, TextOperationsWithoutTextFailCleanly) {
  PlainMessageBase base;
  FidoAddress addr{};
  std::string line;
  char buf[8];
  const std::vector<std::function<void()>> calls = {
      [&] { base.GetTextLine(line); },
      [&] { base.GetTextLineZ(buf, sizeof buf); },
      [&] { base.PutTextLine("x"); },
      [&] { base.EndOfText(); },
      [&] { base.GetTextSize(); },
      [&] { base.GetKludge("\x01MSGID:", line); },
      [&] { base.AddKludge("\x01X"); },
      [&] { base.GetOrigAddr(addr); },
      [&] { base.SetOrigAddr(addr, false); },
      [&] { base.WriteOrigin(addr, "o"); },
  };
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(FailureOf(calls[i]), kFailureObjectNotInitialized) << "call " << i;
  }
  EXPECT_EQ(base.GetTextStream(), nullptr);
}

TEST(MessageBaseDefaults, SeekingWalksExistingNumbers) {
  MemoryFormat base;
  base.SeekFirst(1);
  EXPECT_EQ(base.GetMsgNum(), 0);
  EXPECT_FALSE(base.SeekFound());

  base.numbers = {3, 7};
  base.SeekFirst(5);
  EXPECT_EQ(base.GetMsgNum(), 7);
  base.SeekPrior();
  EXPECT_EQ(base.GetMsgNum(), 3);
  base.SeekPrior();
  EXPECT_EQ(base.GetMsgNum(), 0);
  EXPECT_FALSE(base.SeekFound());

  base.SeekFirst(INT_MIN);
  EXPECT_EQ(base.GetMsgNum(), 3);
  base.SeekNext();
  EXPECT_EQ(base.GetMsgNum(), 7);
  base.SeekNext();
  EXPECT_EQ(base.GetMsgNum(), 0);
  base.SeekFirst(8);
  EXPECT_EQ(base.GetMsgNum(), 0);
  base.SetMsgNum(INT_MAX);
  base.SeekNext();
  EXPECT_EQ(base.GetMsgNum(), 0);
  base.SetMsgNum(INT_MIN);
  base.SeekPrior();
  EXPECT_EQ(base.GetMsgNum(), 0);
}

TEST(MessageBaseDefaults, MailFlags) {
  PlainMessageBase base;
  base.SetMailType(kMailTypeNetmail);
  base.SetMailType(kMailTypeEchomail);
  EXPECT_FALSE(base.HasMailFlag(kMailFlagNetmail));
  EXPECT_TRUE(base.HasMailFlag(kMailFlagEchomail));
  base.SetMailType(3);
  EXPECT_FALSE(base.HasMailFlag(kMailFlagNetmail) || base.HasMailFlag(kMailFlagEchomail) ||
               base.HasMailFlag(kMailFlagLocal));
  base.SetMailFlag(kMailFlagNetmail, true);
  EXPECT_FALSE(base.HasMailFlag(kMailFlagNetmail | kMailFlagEchomail));
  base.SetMailFlag(kMailFlagLocal, true);
  base.SetMailFlag(kMailFlagNetmail, false);
  EXPECT_TRUE(base.HasMailFlag(kMailFlagLocal));
  EXPECT_FALSE(base.HasMailFlag(kMailFlagNetmail));
}

// A memory stream that notes its disposal.
class NotingStream : public MemStream {
 public:
  explicit NotingStream(bool& disposed) : disposed_(disposed) {}
  ~NotingStream() override { disposed_ = true; }

 private:
  bool& disposed_;
};

TEST(MessageBaseDefaults, SetTextStreamDisposesTheTextItReplaces) {
  PlainMessageBase base;
  base.SetTextStream(nullptr);  // no text: nothing happens
  bool first_disposed = false;
  bool second_disposed = false;
  base.SetTextStream(std::make_unique<NotingStream>(first_disposed));
  base.SetTextStream(std::make_unique<NotingStream>(second_disposed));
  EXPECT_TRUE(first_disposed);
  EXPECT_FALSE(second_disposed);
  base.SetTextStream(nullptr);
  EXPECT_TRUE(second_disposed);
  EXPECT_EQ(base.GetTextStream(), nullptr);
}

TEST(MessageBaseDefaults, SetDatesNowSetsBothDatesFromTheClock) {
  platform::SetClockOverride([] { return platform::LocalTime{2001, 3, 5, 7, 8, 9, 456}; });
  MemoryFormat base;
  base.SetDatesNow();
  platform::SetClockOverride(nullptr);
  const MsgDateTime expected{7, 8, 9, 45, 5, 3, 2001};
  MsgDateTime written{}, arrived{};
  base.GetDateWritten(written);
  base.GetDateArrived(arrived);
  EXPECT_EQ(written, expected);
  EXPECT_EQ(arrived, expected);
}

}  // namespace
}  // namespace kestrel
