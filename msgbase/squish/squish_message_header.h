// The 238-byte message header at the start of a Squish message frame.
//
// Kept as the bytes of the file, so the fields this program does not use
// (reply links, reserved bytes) are written back as they were read. Every
// field is reached through its named offset.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "msgbase/fido/date_time.h"
#include "msgbase/fido/fido_address.h"
#include "msgbase/squish/squish_layout.h"

namespace kestrel::squish {

class SquishMessageHeader {
 public:
  using Bytes = std::array<std::uint8_t, kMessageHeaderSize>;

  // All zeros.
  SquishMessageHeader() = default;

  Bytes& bytes() { return bytes_; }
  const Bytes& bytes() const { return bytes_; }

  std::uint32_t Attributes() const;
  void SetAttributes(std::uint32_t bits);

  // The text fields: the bytes up to the first 0, or the whole field when it
  // holds none. Setting stores at most width - 1 bytes (35 for the names, 71
  // for the subject; longer values are cut), then zeros to the field's end.
  std::string From() const { return GetText(kFromOffset, kNameFieldWidth); }
  void SetFrom(std::string_view s) { PutText(kFromOffset, kNameFieldWidth, s); }
  std::string To() const { return GetText(kToOffset, kNameFieldWidth); }
  void SetTo(std::string_view s) { PutText(kToOffset, kNameFieldWidth, s); }
  std::string Subject() const { return GetText(kSubjectOffset, kSubjectFieldWidth); }
  void SetSubject(std::string_view s) { PutText(kSubjectOffset, kSubjectFieldWidth, s); }

  void SetOrigAddress(const FidoAddress& addr) { PutAddress(kOrigAddressOffset, addr); }
  void SetDestAddress(const FidoAddress& addr) { PutAddress(kDestAddressOffset, addr); }
  FidoAddress OrigAddress() const { return GetAddress(kOrigAddressOffset); }
  FidoAddress DestAddress() const { return GetAddress(kDestAddressOffset); }

  // The packed dates: a DOS date word, then a DOS time word.
  DosTime DateWritten() const { return GetDosTime(kDateWrittenOffset); }
  void SetDateWritten(const DosTime& dos) { PutDosTime(kDateWrittenOffset, dos); }
  DosTime DateArrived() const { return GetDosTime(kDateArrivedOffset); }
  void SetDateArrived(const DosTime& dos) { PutDosTime(kDateArrivedOffset, dos); }

  void SetUtcOffset(std::int16_t minutes);
  std::uint32_t UniqueId() const;
  void SetUniqueId(std::uint32_t id);

  // The date written as text, "DD Mon YY  HH:MM:SS" (every number two
  // digits with a leading 0), NUL-terminated in its 20-byte field.
  void SetDateText(const MsgDateTime& dt);
  std::string DateText() const { return GetText(kDateTextOffset, kDateTextWidth); }

 private:
  std::string GetText(std::size_t offset, std::size_t width) const;
  void PutText(std::size_t offset, std::size_t width, std::string_view s);
  FidoAddress GetAddress(std::size_t offset) const;
  void PutAddress(std::size_t offset, const FidoAddress& addr);
  DosTime GetDosTime(std::size_t offset) const;
  void PutDosTime(std::size_t offset, const DosTime& dos);

  Bytes bytes_{};
};

// Builds the date text of a message header (at most 19 characters).
std::string FormatSquishDateText(const MsgDateTime& dt);

}  // namespace kestrel::squish
