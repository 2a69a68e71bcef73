// The header of the message being scanned: read by the scan driver, tested
// by the rules and used again by the copier.
#pragma once

#include <string>

#include "msgbase/fido/date_time.h"
#include "msgbase/fido/fido_address.h"
#include "msgbase/message_base.h"

namespace kestrel {

struct CurrentHeader {
  std::string msgFrom;  // cut to 36 characters
  std::string msgTo;    // cut to 36 characters
  std::string msgSubj;  // cut to 72 characters
  FidoAddress msgOrig;
  FidoAddress msgDest;
  MsgDateTime msgDateWritten;
  MsgDateTime msgDateArrived;
};

// Reads the header of the open message: names and subject cut to their
// widths, both addresses, both dates.
void ReadCurrentHeader(MessageBase& base, CurrentHeader& header);

}  // namespace kestrel
