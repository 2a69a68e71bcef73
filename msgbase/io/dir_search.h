// A directory search: the entries of one directory whose names match a
// pattern with the DOS wildcards "*" and "?", filtered by an attribute mask.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kestrel {

// The mask every caller passes: all entries.
inline constexpr std::uint32_t kAttrAnyEntry = 0x3F;

class DirSearch {
 public:
  DirSearch() = default;
  DirSearch(const DirSearch&) = delete;
  DirSearch& operator=(const DirSearch&) = delete;

  // Starts a search for `pattern` (a path whose last part may hold wildcards)
  // and finds its first entry that `attr_mask` lets through: normal files
  // (read-only and archive ones too) always pass; directories, hidden and
  // system entries and volume labels only when their bit is in the mask.
  // A search still running is ended first. True when an entry was found; its
  // fields are then in Name, Attr, Time and Size.
  virtual bool FindFirst(std::string_view pattern, std::uint32_t attr_mask);
  // The next entry of the same search, as for FindFirst.
  virtual bool FindNext();
  // Ends the search and releases the system's search handle.
  virtual void FindClose();
  virtual ~DirSearch() = default;

  // The found entry's name, without the directory part.
  const std::string& Name() const { return name_; }
  // Its DOS attribute bits (platform::kAttr...).
  std::uint32_t Attr() const { return attr_; }
  // Its last-write time in local time, packed DOS date (high word) and time.
  std::uint32_t Time() const { return time_; }
  // Its size in bytes.
  std::uint32_t Size() const { return size_; }

 protected:
  // Copies an entry into the fields.
  void Take(const platform::FindData& data);

 private:
  // Skips entries the mask does not let through, starting with `data`.
  bool TakeFirstPassing(platform::FindData& data);

  std::string name_;
  std::uint32_t attr_ = 0;
  std::uint32_t time_ = 0;
  std::uint32_t size_ = 0;
  std::uint32_t mask_ = 0;
  std::unique_ptr<platform::FindSearch> search_;
};

// Whether a directory is there: a search for dir\*.* with every attribute
// allowed finds an entry (a directory always holds "." and ".."). Uses the
// NewDirSearch hook.
bool DirExists(std::string_view dir);

}  // namespace kestrel
