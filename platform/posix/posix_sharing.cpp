#include "platform/posix/posix_sharing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace kestrel::platform::posix {
namespace {

// The reserved regions: 2^32 bytes each, starting at 2^62.
constexpr off_t kRegionBase = static_cast<off_t>(1) << 62;
constexpr off_t kRegionStride = static_cast<off_t>(1) << 33;
constexpr off_t kRegionLength = static_cast<off_t>(1) << 32;

enum Region { kHoldsRead = 0, kHoldsWrite = 1, kDeniesRead = 2, kDeniesWrite = 3 };

// Bytes tried within a region before giving up on finding a free one.
constexpr int kByteAttempts = 64;

off_t RegionStart(Region region) {
  return kRegionBase + region * kRegionStride;
}

// The byte of each region for this open: by process id and a counter, so
// that opens rarely meet on the same byte (when they do, the next is taken).
std::uint32_t NextOwnByte() {
  static std::uint32_t counter = 0;
  // Asked once: a process that forks without starting a new program shares
  // its parent's number, which only makes a byte already taken more likely
  // (the next one is then taken).
  static const auto process = static_cast<std::uint32_t>(::getpid());
  return (process << 10) + counter++;
}

enum class LockResult { kTaken, kBusy, kUnsupported };

LockResult LockRange(int fd, short type, off_t offset, off_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = offset;
  lock.l_len = length;
  if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return LockResult::kTaken;
  return errno == EAGAIN || errno == EACCES ? LockResult::kBusy : LockResult::kUnsupported;
}

// Locks one byte of the region for this open.
LockResult Hold(int fd, short type, Region region, std::uint32_t own_byte) {
  for (int attempt = 0; attempt < kByteAttempts; ++attempt) {
    const off_t offset =
        RegionStart(region) + static_cast<off_t>((own_byte + attempt) % kRegionLength);
    const LockResult result = LockRange(fd, type, offset, 1);
    if (result != LockResult::kBusy) return result;
  }
  return LockResult::kBusy;
}

// Whether an open other than `fd`'s holds any byte of the regions `first`
// to `last` (nothing lies between two regions, so one query covers a run of
// neighbours).
bool HeldElsewhere(int fd, Region first, Region last) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = RegionStart(first);
  lock.l_len = RegionStart(last) + kRegionLength - RegionStart(first);
  if (::fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

// Whether an open other than `fd`'s holds a byte of any region marked in
// `check`: one query per run of neighbouring regions.
bool AnyHeldElsewhere(int fd, const bool (&check)[4]) {
  for (int first = kHoldsRead; first <= kDeniesWrite;) {
    if (!check[first]) {
      ++first;
      continue;
    }
    int last = first;
    while (last < kDeniesWrite && check[last + 1])
      ++last;
    if (HeldElsewhere(fd, static_cast<Region>(first), static_cast<Region>(last))) return true;
    first = last + 1;
  }
  return false;
}

// An open that denies both read and write meets every other open, whatever
// that one holds or denies: it says so with one shared lock over all four
// regions (it holds, or may be taken to hold, every right and denial) and one
// test. A write lock already in them is another open's: a conflict.
DosError TakeExclusiveLocks(int fd) {
  const off_t length = RegionStart(kDeniesWrite) + kRegionLength - RegionStart(kHoldsRead);
  switch (LockRange(fd, F_RDLCK, RegionStart(kHoldsRead), length)) {
    case LockResult::kTaken:
      break;
    case LockResult::kBusy:
      return dos_error::kSharingViolation;
    case LockResult::kUnsupported:
      return dos_error::kNone;
  }
  return HeldElsewhere(fd, kHoldsRead, kDeniesWrite) ? dos_error::kSharingViolation
                                                     : dos_error::kNone;
}

}  // namespace

DosError TakeSharingLocks(int fd, bool readable, FileAccess access, FileShare share) {
  const bool reads = access != FileAccess::kWrite;
  const bool writes = access != FileAccess::kRead;
  const bool denies_read = share == FileShare::kCompatibility || share == FileShare::kDenyAll ||
                           share == FileShare::kDenyRead;
  const bool denies_write = share == FileShare::kCompatibility || share == FileShare::kDenyAll ||
                            share == FileShare::kDenyWrite;
  if (readable && denies_read && denies_write) return TakeExclusiveLocks(fd);
  // A read lock needs a descriptor open for reading, a write lock one open
  // for writing; each open has its own byte, so either kind serves.
  const short type = readable ? F_RDLCK : F_WRLCK;
  const std::uint32_t own_byte = NextOwnByte();
  const bool wanted[] = {reads, writes, denies_read, denies_write};
  for (int region = kHoldsRead; region <= kDeniesWrite; ++region) {
    if (!wanted[region]) continue;
    switch (Hold(fd, type, static_cast<Region>(region), own_byte)) {
      case LockResult::kTaken:
        break;
      case LockResult::kBusy:
        return dos_error::kSharingViolation;
      case LockResult::kUnsupported:
        return dos_error::kNone;
    }
  }
  // What this open may not meet: a denial of an access it asks for, or a
  // holder of an access it denies.
  bool conflicts[4] = {};
  conflicts[kDeniesRead] = reads;
  conflicts[kDeniesWrite] = writes;
  conflicts[kHoldsRead] = denies_read;
  conflicts[kHoldsWrite] = denies_write;
  return AnyHeldElsewhere(fd, conflicts) ? dos_error::kSharingViolation : dos_error::kNone;
}

bool IsOpenElsewhere(int fd) {
  return HeldElsewhere(fd, kHoldsRead, kHoldsWrite);
}

}  // namespace kestrel::platform::posix
