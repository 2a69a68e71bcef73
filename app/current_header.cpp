#include "app/current_header.h"

#include "app/config_text.h"
#include "msgbase/fido/field_widths.h"

namespace kestrel {

void ReadCurrentHeader(MessageBase& base, CurrentHeader& header) {
  header.msgFrom = CutToWidth(base.GetFrom(), kNameWidth);
  header.msgTo = CutToWidth(base.GetTo(), kNameWidth);
  header.msgSubj = CutToWidth(base.GetSubj(), kSubjectWidth);
  // Both addresses in one walk over the kludge lines: the same as reading
  // the destination and then the origin, at half the cost.
  base.GetOrigDestAddr(header.msgOrig, header.msgDest);
  base.GetDateWritten(header.msgDateWritten);
  base.GetDateArrived(header.msgDateArrived);
}

}  // namespace kestrel
