#include "platform/posix/posix_name_cache.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/posix/posix_path.h"

namespace kestrel::platform::posix {
namespace {

using SteadyClock = std::chrono::steady_clock;

// A listing taken this long after the directory's last change has seen every
// change made in that change's time-stamp tick.
constexpr std::int64_t kSettleNanoseconds = 2'000'000'000;
// The shortest time between two listings of an unsettled directory caused by
// names missing from it.
constexpr auto kRelistInterval = std::chrono::milliseconds(100);
// Listings kept at most; beyond that all are dropped and built anew.
constexpr std::size_t kMaxListings = 256;

struct Listing {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  bool settled = false;
  SteadyClock::time_point listed_at;
  // Folded name -> every spelling of it in the directory, in byte order.
  std::unordered_map<std::string, std::vector<std::string>> names;
};

std::unordered_map<std::string, Listing>& Listings() {
  static std::unordered_map<std::string, Listing> listings;
  return listings;
}

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

const char* DirectoryArgument(const std::string& directory) {
  return directory.empty() ? "." : directory.c_str();
}

bool StatDirectory(const std::string& directory, struct stat& status) {
  return ::stat(DirectoryArgument(directory), &status) == 0 && S_ISDIR(status.st_mode);
}

bool Matches(const Listing& listing, const struct stat& status) {
  return listing.device == status.st_dev && listing.inode == status.st_ino &&
         Nanoseconds(listing.modified) == Nanoseconds(status.st_mtim);
}

bool Exists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

void AddSpelling(Listing& listing, const std::string& name) {
  std::vector<std::string>& spellings = listing.names[FoldAscii(name)];
  const auto at = std::lower_bound(spellings.begin(), spellings.end(), name);
  if (at == spellings.end() || *at != name) spellings.insert(at, name);
}

// Lists the directory whose status (taken before the listing, so that a
// change during it shows at the next check) is `status`.
bool List(const std::string& directory, const struct stat& status, Listing& listing) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  DIR* stream = ::opendir(DirectoryArgument(directory));
  if (stream == nullptr) return false;
  listing.names.clear();
  while (const dirent* entry = ::readdir(stream)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    listing.names[FoldAscii(name)].emplace_back(name);
  }
  ::closedir(stream);
  for (auto& [folded, spellings] : listing.names)
    std::sort(spellings.begin(), spellings.end());
  listing.device = status.st_dev;
  listing.inode = status.st_ino;
  listing.modified = status.st_mtim;
  listing.settled = Nanoseconds(now) - Nanoseconds(status.st_mtim) >= kSettleNanoseconds;
  listing.listed_at = SteadyClock::now();
  return true;
}

// The listing of a directory, current as far as its status shows; null when
// the directory cannot be listed.
Listing* CurrentListing(const std::string& directory, const struct stat& status, bool& fresh) {
  auto& listings = Listings();
  auto found = listings.find(directory);
  fresh = false;
  if (found != listings.end() && Matches(found->second, status)) return &found->second;
  if (found == listings.end()) {
    if (listings.size() >= kMaxListings) listings.clear();
    found = listings.emplace(directory, Listing{}).first;
  }
  if (!List(directory, status, found->second)) {
    listings.erase(found);
    return nullptr;
  }
  fresh = true;
  return &found->second;
}

// The listing of a directory this process has just changed, taking the
// directory's new time as its own; null when there is none (or the directory
// is another one now: its listing is dropped).
Listing* ListingAfterOwnChange(const std::string& directory) {
  auto& listings = Listings();
  const auto found = listings.find(directory);
  if (found == listings.end()) return nullptr;
  struct stat status {};
  Listing& listing = found->second;
  if (!StatDirectory(directory, status) || listing.device != status.st_dev ||
      listing.inode != status.st_ino) {
    listings.erase(found);
    return nullptr;
  }
  listing.modified = status.st_mtim;
  listing.settled = false;
  return &listing;
}

}  // namespace

std::optional<std::string> FindNameIgnoringCase(const std::string& directory,
                                                std::string_view name) {
  struct stat status {};
  if (!StatDirectory(directory, status)) return std::nullopt;
  bool fresh = false;
  Listing* listing = CurrentListing(directory, status, fresh);
  const std::string folded = FoldAscii(name);
  while (listing != nullptr) {
    const auto spellings = listing->names.find(folded);
    if (spellings != listing->names.end()) {
      for (const std::string& spelling : spellings->second) {
        if (Exists(JoinPath(directory, spelling))) return spelling;
      }
    }
    if (fresh) break;
    // A listed name that is gone means the listing is old: list again. A name
    // missing from a settled listing is really missing.
    const bool missing = spellings == listing->names.end();
    if (missing &&
        (listing->settled || SteadyClock::now() - listing->listed_at < kRelistInterval)) {
      break;
    }
    if (!List(directory, status, *listing)) {
      Listings().erase(directory);
      listing = nullptr;
    }
    fresh = true;
  }
  // A listing may lag behind a change made a moment ago; the lower-case
  // spelling, which most FidoNet software uses, costs one check.
  const std::string lower = LowerAscii(name);
  if (lower != name && Exists(JoinPath(directory, lower))) {
    NoteNameAdded(directory, lower);
    return lower;
  }
  return std::nullopt;
}

void NoteNameAdded(const std::string& directory, const std::string& name) {
  if (Listing* listing = ListingAfterOwnChange(directory)) AddSpelling(*listing, name);
}

void NoteNameRemoved(const std::string& directory, const std::string& name) {
  Listing* listing = ListingAfterOwnChange(directory);
  if (listing == nullptr) return;
  const auto spellings = listing->names.find(FoldAscii(name));
  if (spellings == listing->names.end()) return;
  std::erase(spellings->second, name);
  if (spellings->second.empty()) listing->names.erase(spellings);
}

}  // namespace kestrel::platform::posix
