// Message areas on disk for the end-to-end tests: written and read back
// through the message-base library, in any of the three formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msgbase/fido/date_time.h"
#include "msgbase/fido/fido_address.h"

namespace kestrel::testing {

// One message as a test writes it and reads it back.
struct AreaMessage {
  std::int32_t number = 0;  // filled when read
  std::string from;
  std::string to;
  std::string subj;
  FidoAddress orig{};  // filled when read, from the stored message
  FidoAddress dest{};
  MsgDateTime written{10, 20, 30, 0, 15, 6, 2000};
  MsgDateTime arrived{11, 21, 31, 0, 16, 6, 2000};
  std::uint32_t attributes = 0;  // attribute codes, bits 0-15
  std::string text;              // the whole text, kludge lines included
};

// A plain netmail message from `orig` to `dest` with a MSGID line whose
// serial is `serial` and a one-line body.
AreaMessage Netmail(std::string from, FidoAddress orig, std::string to, FidoAddress dest,
                    std::string subj, const std::string& serial);

// Appends messages to the area `id` (type letter and path), creating it when
// it does not exist. Fails the test when anything is not stored. The text is
// stored exactly as given: the address fields of the header come from its
// INTL, FMPT, TOPT and MSGID lines.
void AddMessages(const std::string& id, const std::vector<AreaMessage>& messages);

// Every message of the area in scan order; empty when the area cannot be
// opened.
std::vector<AreaMessage> ReadArea(const std::string& id);
bool AreaExists(const std::string& id);

// The lastread pointer of a user.
std::int32_t LastReadOf(const std::string& id, std::int32_t user);
void SetLastReadOf(const std::string& id, std::int32_t user, std::int32_t number);

// The subjects of the area's messages, in scan order.
std::vector<std::string> Subjects(const std::string& id);

}  // namespace kestrel::testing
