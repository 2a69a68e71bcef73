#include "app/run_mover.h"

namespace kestrel {

// The scan of the netmail areas is not built yet: a run that passed the
// configuration check ends here, successfully, without touching any area.
int RunMover(const MoverConfig& /*config*/, LogFile& /*log*/) {
  return 0;
}

}  // namespace kestrel
