#include "msgbase/squish/squish_message_header.h"

#include <algorithm>

#include "msgbase/io/little_endian.h"

namespace kestrel::squish {

namespace {

// Offsets of the four parts inside an 8-byte address field.
constexpr std::size_t kZoneOffset = 0;
constexpr std::size_t kNetOffset = 2;
constexpr std::size_t kNodeOffset = 4;
constexpr std::size_t kPointOffset = 6;
// Inside a 4-byte packed date: the date word first, then the time word.
constexpr std::size_t kDateWordOffset = 0;
constexpr std::size_t kTimeWordOffset = 2;

std::string TwoDigits(unsigned value) {
  // Every number of the date text has two digits; the values that reach
  // here are below 100 except a year past 2099, whose last two digits are
  // the FidoNet two-digit year.
  value %= 100;
  return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

std::uint32_t SquishMessageHeader::Attributes() const {
  return GetLe32(bytes_.data(), kAttributesOffset);
}

void SquishMessageHeader::SetAttributes(std::uint32_t bits) {
  PutLe32(bytes_.data(), kAttributesOffset, bits);
}

void SquishMessageHeader::SetUtcOffset(std::int16_t minutes) {
  PutLe16(bytes_.data(), kUtcOffsetOffset, static_cast<std::uint16_t>(minutes));
}

std::uint32_t SquishMessageHeader::UniqueId() const {
  return GetLe32(bytes_.data(), kUniqueIdOffset);
}

void SquishMessageHeader::SetUniqueId(std::uint32_t id) {
  PutLe32(bytes_.data(), kUniqueIdOffset, id);
}

void SquishMessageHeader::SetDateText(const MsgDateTime& dt) {
  PutText(kDateTextOffset, kDateTextWidth, FormatSquishDateText(dt));
}

std::string SquishMessageHeader::GetText(std::size_t offset, std::size_t width) const {
  const auto* begin = bytes_.data() + offset;
  const auto* end = std::find(begin, begin + width, 0);
  return std::string(begin, end);
}

void SquishMessageHeader::PutText(std::size_t offset, std::size_t width, std::string_view s) {
  auto* field = bytes_.data() + offset;
  const std::size_t n = std::min(s.size(), width - 1);
  std::copy_n(s.begin(), n, field);
  std::fill(field + n, field + width, 0);
}

FidoAddress SquishMessageHeader::GetAddress(std::size_t offset) const {
  const auto* b = bytes_.data() + offset;
  FidoAddress addr;
  addr.zone = GetLe16(b, kZoneOffset);
  addr.net = GetLe16(b, kNetOffset);
  addr.node = GetLe16(b, kNodeOffset);
  addr.point = GetLe16(b, kPointOffset);
  return addr;
}

void SquishMessageHeader::PutAddress(std::size_t offset, const FidoAddress& addr) {
  auto* b = bytes_.data() + offset;
  PutLe16(b, kZoneOffset, addr.zone);
  PutLe16(b, kNetOffset, addr.net);
  PutLe16(b, kNodeOffset, addr.node);
  PutLe16(b, kPointOffset, addr.point);
}

DosTime SquishMessageHeader::GetDosTime(std::size_t offset) const {
  const auto* b = bytes_.data() + offset;
  DosTime dos;
  dos.date = GetLe16(b, kDateWordOffset);
  dos.time = GetLe16(b, kTimeWordOffset);
  return dos;
}

void SquishMessageHeader::PutDosTime(std::size_t offset, const DosTime& dos) {
  auto* b = bytes_.data() + offset;
  PutLe16(b, kDateWordOffset, dos.date);
  PutLe16(b, kTimeWordOffset, dos.time);
}

std::string FormatSquishDateText(const MsgDateTime& dt) {
  const int year = YearToTwoDigits(dt.year);
  return TwoDigits(dt.day) + " " + MonthName(dt.month) + " " +
         TwoDigits(static_cast<unsigned>(year < 0 ? 0 : year)) + "  " + TwoDigits(dt.hour) + ":" +
         TwoDigits(dt.min) + ":" + TwoDigits(dt.sec);
}

}  // namespace kestrel::squish
