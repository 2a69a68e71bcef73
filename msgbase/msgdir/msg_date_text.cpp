#include "msgbase/msgdir/msg_date_text.h"

#include <algorithm>

#include "msgbase/fido/string_functions.h"

namespace kestrel {
namespace {

constexpr std::string_view kSpace = " ";
constexpr std::string_view kColon = ":";
constexpr std::string_view kSpaceOrColon = " :";

std::string TwoDigits(int n) {
  std::string s = IntToStr(n);
  if (s.size() == 1) return "0" + s;
  return s.substr(0, 2);
}

// The character at position pos counted from 1; a position beyond the end
// matches no character.
bool CharAt(const std::string& s, std::size_t pos, char c) {
  return pos >= 1 && pos <= s.size() && s[pos - 1] == c;
}

void DropFront(std::string& s, std::size_t count) {
  s.erase(0, std::min(count, s.size()));
}

std::uint16_t Word(int n, const std::string& s, std::string_view delimiters) {
  return StrToWord(ExtractWord(n, s, delimiters));
}

// "DD Mon YY" from the front of s.
void TakeDayMonthYear(const std::string& s, MsgDateTime& dt) {
  dt.day = Word(1, s, kSpace);
  dt.month = MonthFromName(ExtractWord(2, s, kSpace));
  dt.year = Word(3, s, kSpace);
}

// A year written with two digits is widened; a full year stays as written
// (otherwise "2001" would become the year 3901).
std::uint16_t FullYear(std::uint16_t year) {
  constexpr std::uint16_t kTwoDigitLimit = 100;
  if (year >= kTwoDigitLimit) return year;
  return static_cast<std::uint16_t>(TwoDigitYearToFull(year));
}

}  // namespace

std::string FormatMsgDateText(const MsgDateTime& dt) {
  return TwoDigits(dt.day) + " " + MonthName(dt.month) + " " + TwoDigits(YearToTwoDigits(dt.year)) +
         "  " + TwoDigits(dt.hour) + ":" + TwoDigits(dt.min) + ":" + TwoDigits(dt.sec);
}

void ParseMsgDateText(std::string_view text, MsgDateTime& dt) {
  dt = MsgDateTime{};
  std::string s(text);
  if (CharAt(s, 3, ' ')) {
    // "DD Mon YY  HH:MM:SS" or "DD Mon YY HH:MM:SS".
    TakeDayMonthYear(s, dt);
    DropFront(s, CharAt(s, 11, ' ') ? 11 : 10);
    dt.hour = Word(1, s, kColon);
    dt.min = Word(2, s, kColon);
    dt.sec = Word(3, s, kSpaceOrColon);
  } else if (CharAt(s, 4, ' ')) {
    // "Www DD Mon YY HH:MM".
    DropFront(s, 4);
    TakeDayMonthYear(s, dt);
    DropFront(s, 10);
    dt.hour = Word(1, s, kColon);
    dt.min = Word(2, s, kColon);
  } else if (CharAt(s, 3, '-')) {
    // "DD-MM-YY HH:MM:SS".
    std::replace_if(
        s.begin(), s.end(), [](char c) { return c == '-' || c == ':'; }, ' ');
    dt.day = Word(1, s, kSpace);
    dt.month = Word(2, s, kSpace);
    dt.year = Word(3, s, kSpace);
    dt.hour = Word(4, s, kSpace);
    dt.min = Word(5, s, kSpace);
    dt.sec = Word(6, s, kSpace);
  }
  dt.year = FullYear(dt.year);
}

}  // namespace kestrel
