// The header of the message being scanned: read by the scan driver, tested
// by the rules and used again by the copier.
#pragma once

#include <string>

#include "msgbase/date_time.h"
#include "msgbase/fido_address.h"

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

}  // namespace kestrel
