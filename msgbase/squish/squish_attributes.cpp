#include "msgbase/squish/squish_attributes.h"

#include "msgbase/message_base.h"

namespace kestrel::squish {

std::uint32_t SquishAttributeBit(std::uint32_t code) {
  switch (code) {
    case AttrPrivate:
    case AttrCrash:
    case AttrReceived:
    case AttrSent:
    case AttrFileAttached:
    case AttrInTransit:
    case AttrOrphan:
    case AttrKillSent:
    case AttrLocal:
    case AttrHold:
      return code;
    case AttrFileRequest:     // 0400h
    case AttrReceiptRequest:  // 0800h
    case AttrIsReceipt:       // 1000h
    case AttrAuditRequest:    // 2000h
    case AttrUpdateRequest:   // 4000h
    case AttrScanned:         // 8000h
      return code << 1;
    default:
      return 0;
  }
}

}  // namespace kestrel::squish
