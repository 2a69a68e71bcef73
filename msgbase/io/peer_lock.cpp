#include "msgbase/io/peer_lock.h"

#include <chrono>
#include <thread>

namespace kestrel {
namespace {

constexpr std::int32_t kLockedPosition = 0;
constexpr std::int32_t kLockedLength = 1;

}  // namespace

bool IsPeerLockRefusal(std::int32_t last_error) {
  return last_error == kJamBaseLocked || last_error == kSquishBaseLocked;
}

bool TakePeerLock(BaseStream& stream) {
  const auto give_up =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kPeerLockWaitMs);
  while (!stream.Lock(kLockedPosition, kLockedLength)) {
    if (std::chrono::steady_clock::now() >= give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPeerLockRetryMs));
  }
  return true;
}

void ReleasePeerLock(BaseStream& stream) {
  stream.Unlock(kLockedPosition, kLockedLength);
}

}  // namespace kestrel
