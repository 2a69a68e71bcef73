// The "date written" text of a *.MSG header.
//
// Written as "DD Mon YY  HH:MM:SS" (19 characters). Read in the four forms
// that FidoNet software stores:
//   "DD Mon YY  HH:MM:SS"   (two spaces before the time)
//   "DD Mon YY HH:MM:SS"    (one space)
//   "Www DD Mon YY HH:MM"   (week day in front, no seconds)
//   "DD-MM-YY HH:MM:SS"     (numeric)
#pragma once

#include <string>
#include <string_view>

#include "msgbase/fido/date_time.h"

namespace kestrel {

// "DD Mon YY  HH:MM:SS": every number in two digits (a leading 0 for one
// digit, the first two of three or more), the month name "Jan" ... "Dec"
// ("???" for a month outside 1-12), the year as YearToTwoDigits gives it.
std::string FormatMsgDateText(const MsgDateTime& dt);

// Clears all seven fields of dt and fills them from text in the first form
// that matches; text in none of the forms leaves them 0. Words that do not
// convert give 0, unknown month names give month 0. A two-digit year is
// widened (70 and below: 2000s, above: 1900s); a year of three or more
// digits is taken as it is written. So an unreadable text gives the year
// 2000. Hundredths are always 0.
void ParseMsgDateText(std::string_view text, MsgDateTime& dt);

}  // namespace kestrel
