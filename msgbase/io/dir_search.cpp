#include "msgbase/io/dir_search.h"

#include <string>

#include "msgbase/io/stream_hooks.h"

namespace kestrel {

namespace {

// Entries that only pass when their bit is in the mask.
constexpr std::uint32_t kSpecialAttributes = platform::kAttrHidden | platform::kAttrSystem |
                                             platform::kAttrVolumeLabel | platform::kAttrDirectory;

bool Passes(std::uint32_t attributes, std::uint32_t mask) {
  return (attributes & kSpecialAttributes & ~mask) == 0;
}

}  // namespace

bool DirSearch::FindFirst(std::string_view pattern, std::uint32_t attr_mask) {
  FindClose();
  mask_ = attr_mask;
  platform::FindData data;
  if (platform::FindFirstFile(pattern, search_, data) != platform::dos_error::kNone) {
    search_.reset();
    return false;
  }
  return TakeFirstPassing(data);
}

bool DirSearch::FindNext() {
  if (search_ == nullptr) return false;
  platform::FindData data;
  if (search_->Next(data) != platform::dos_error::kNone) return false;
  return TakeFirstPassing(data);
}

void DirSearch::FindClose() {
  search_.reset();
}

void DirSearch::Take(const platform::FindData& data) {
  name_ = data.name;
  attr_ = data.attributes;
  time_ = data.dos_time;
  size_ = data.size;
}

bool DirSearch::TakeFirstPassing(platform::FindData& data) {
  while (!Passes(data.attributes, mask_)) {
    if (search_->Next(data) != platform::dos_error::kNone) return false;
  }
  Take(data);
  return true;
}

bool DirExists(std::string_view dir) {
  std::unique_ptr<DirSearch> search = NewDirSearch();
  if (search == nullptr) return false;
  std::string pattern(dir);
  const bool ends_with_separator =
      !pattern.empty() && (pattern.back() == '\\' || pattern.back() == '/');
  pattern += ends_with_separator ? "*.*" : "\\*.*";
  const bool found = search->FindFirst(pattern, kAttrAnyEntry);
  search->FindClose();
  return found;
}

}  // namespace kestrel
