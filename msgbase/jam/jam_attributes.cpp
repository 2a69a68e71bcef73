#include "msgbase/jam/jam_attributes.h"

#include "msgbase/jam/jam_layout.h"
#include "msgbase/message_base.h"

namespace kestrel::jam {

std::uint32_t MapAttr(std::uint32_t code) {
  switch (code) {
    case AttrPrivate:
      return kAttrPrivate;
    case AttrCrash:
      return kAttrCrash;
    case AttrReceived:
      return kAttrRead;
    case AttrSent:
      return kAttrSent;
    case AttrFileAttached:
      return kAttrFileAttach;
    case AttrInTransit:
      return kAttrInTransit;
    case AttrOrphan:
      return kAttrOrphan;
    case AttrKillSent:
      return kAttrKillSent;
    case AttrLocal:
      return kAttrLocal;
    case AttrHold:
      return kAttrHold;
    case AttrFileRequest:
      return kAttrFileRequest;
    case AttrReceiptRequest:
      return kAttrReceiptRequest;
    case AttrAuditRequest:
      return kAttrConfirmRequest;
    default:
      return 0;
  }
}

std::uint32_t TypeBitsForMailFlags(std::uint32_t mail_flags) {
  std::uint32_t bits = 0;
  if ((mail_flags & kMailFlagLocal) != 0) bits |= kAttrTypeLocal;
  if ((mail_flags & kMailFlagEchomail) != 0) bits |= kAttrTypeEcho;
  if ((mail_flags & kMailFlagNetmail) != 0) bits |= kAttrTypeNet;
  return bits;
}

}  // namespace kestrel::jam
