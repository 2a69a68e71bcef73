#include "msgbase/msgdir/msg_listing_cache.h"

#include <map>

namespace kestrel {
namespace {

// Directories kept at most; beyond that all are dropped and listed anew.
constexpr std::size_t kMaxKeptListings = 16;

struct KeptListing {
  platform::DirectoryStamp stamp;
  MsgDirListing listing;
};

std::map<std::string, KeptListing>& Kept() {
  static std::map<std::string, KeptListing> kept;
  return kept;
}

}  // namespace

const MsgDirListing* FindKeptListing(const std::string& directory,
                                     const platform::DirectoryStamp& stamp) {
  const auto found = Kept().find(directory);
  if (found == Kept().end() || !(found->second.stamp == stamp)) return nullptr;
  return &found->second.listing;
}

void KeepListing(const std::string& directory, const platform::DirectoryStamp& stamp,
                 const MsgDirListing& listing) {
  auto& kept = Kept();
  if (kept.size() >= kMaxKeptListings && kept.count(directory) == 0) kept.clear();
  kept[directory] = KeptListing{stamp, listing};
}

void NoteMessageFileCreated(const std::string& directory, const platform::DirectoryStamp& before,
                            const platform::DirectoryStamp& after, std::int32_t number) {
  const auto found = Kept().find(directory);
  if (found == Kept().end()) return;
  KeptListing& kept = found->second;
  if (!(kept.stamp == before)) {
    Kept().erase(found);
    return;
  }
  kept.stamp = after;
  kept.listing.numbers.Record(number);
  kept.listing.lower_case_names.Record(number);
  if (number > kept.listing.highest) kept.listing.highest = number;
}

void ForgetListing(const std::string& directory) {
  Kept().erase(directory);
}

}  // namespace kestrel
