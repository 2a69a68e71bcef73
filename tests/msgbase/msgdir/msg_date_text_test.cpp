#include "msgbase/msgdir/msg_date_text.h"

#include <gtest/gtest.h>

#include "tests/support/test_dates.h"

namespace kestrel {
namespace {

// Day first, as the date texts of this format write it.
MsgDateTime Date(int day, int month, int year, int hour, int min, int sec) {
  return testing::MakeMsgDate(year, month, day, hour, min, sec);
}

TEST(MsgDateTextTest, WritesTwoDigitFieldsAndTwoSpacesBeforeTheTime) {
  EXPECT_EQ(FormatMsgDateText(Date(5, 3, 2001, 7, 8, 9)), "05 Mar 01  07:08:09");
  EXPECT_EQ(FormatMsgDateText(Date(31, 12, 1999, 23, 59, 58)), "31 Dec 99  23:59:58");
  // Out-of-range values still give 19 characters: the first two digits of a
  // longer number, "???" for a month outside 1-12.
  EXPECT_EQ(FormatMsgDateText(Date(123, 13, 2005, 100, 0, 0)), "12 ??? 05  10:00:00");
}

TEST(MsgDateTextTest, ReadsTheFourStoredForms) {
  const struct {
    const char* text;
    MsgDateTime expected;
  } cases[] = {
      {"05 Mar 01  07:08:09", Date(5, 3, 2001, 7, 8, 9)},
      {"05 Mar 01 07:08:09", Date(5, 3, 2001, 7, 8, 9)},
      {"Mon  5 Mar 01 07:08", Date(5, 3, 2001, 7, 8, 0)},
      {"05-03-99 07:08:09", Date(5, 3, 1999, 7, 8, 9)},
      {"17 jul 70  00:00:02", Date(17, 7, 2070, 0, 0, 2)},  // 70 and below: 2000s
      {"17 JUL 71  00:00:02", Date(17, 7, 1971, 0, 0, 2)},
      {"01 Foo 05  01:02:03", Date(1, 0, 2005, 1, 2, 3)},  // unknown month: 0
      {"05 Mar 01", Date(5, 3, 2001, 0, 0, 0)},            // no time
      // A full year is kept as written (the shifted time is misread).
      {"05 Mar 2001 07:08:09", Date(5, 3, 2001, 0, 8, 8)},
      {"", Date(0, 0, 2000, 0, 0, 0)},  // nothing: year 2000
      {"garbage text", Date(0, 0, 2000, 0, 0, 0)},
      {"5-", Date(0, 0, 2000, 0, 0, 0)},
  };
  for (const auto& c : cases) {
    MsgDateTime dt;
    dt.sec100 = 42;  // cleared too
    ParseMsgDateText(c.text, dt);
    EXPECT_EQ(dt, c.expected) << '"' << c.text << '"';
  }
}

TEST(MsgDateTextTest, WrittenTextReadsBack) {
  const MsgDateTime dt = Date(29, 2, 2024, 23, 5, 0);
  MsgDateTime back;
  ParseMsgDateText(FormatMsgDateText(dt), back);
  EXPECT_EQ(back, dt);
}

}  // namespace
}  // namespace kestrel
