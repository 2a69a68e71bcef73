// What a run did to the files under one directory, read from an strace log,
// and what a power cut at any point of it may leave on the disk.
//
// The log (strace -f -y -xx -s 1048576, the calls listed in kTracedCalls)
// gives every change in the order the run made it: writes and truncations
// of files, names added to and removed from directories, and the syncs
// (fsync/fdatasync of a file or of a directory). A power cut keeps what was
// synced before it; of the rest, each file and each directory keeps, on its
// own, some first part of its unsynced changes in the order they were made:
// none, all, or a part chosen at random (the page cache writes files back
// independently of one another, and a new name may reach the disk before the
// data of its file, or after it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace kestrel::testing {

// The calls strace must trace for the journal.
extern const char kTracedCalls[];

class PowerCutJournal {
 public:
  // How much of the unsynced changes a power cut keeps.
  enum class Keep { kNothing, kRandomPart };

  // Reads the log of a run under `root`, whose files were those under
  // `before` (a copy of root as it was). Changes outside root are left out.
  // False, with `error` set, for a log it cannot follow.
  bool Read(const std::string& before, const std::string& root, const std::string& trace,
            std::string& error);

  // Changes recorded (syncs included): a cut may fall after any of them.
  std::size_t size() const { return changes_.size(); }
  std::size_t syncs() const;

  // Writes into the empty directory `target` what the files look like after
  // a power cut that falls right after the first `cut` changes.
  void WriteCutState(std::size_t cut, Keep keep, std::mt19937& random,
                     const std::string& target) const;

 private:
  enum class Kind { kWrite, kTruncate, kAddName, kRemoveName, kSyncFile, kSyncDir };
  struct Change {
    Kind kind = Kind::kWrite;
    int file = -1;                 // kWrite, kTruncate, kSyncFile; the file a name names
    std::string directory;         // relative path: kAddName, kRemoveName, kSyncDir
    std::string name;              // kAddName, kRemoveName
    bool names_directory = false;  // kAddName of a directory
    std::int64_t offset = 0;       // kWrite; the new length for kTruncate
    std::string data;              // kWrite
  };
  // A name in a directory: a file (by number) or a directory (by path).
  struct Entry {
    int file = -1;
    bool is_directory = false;
  };
  using Entries = std::map<std::string, Entry>;
  struct OpenFile {
    int file = -1;          // -1: a directory
    std::string directory;  // the directory's relative path
    std::int64_t offset = 0;
    bool append = false;
  };

  bool ReadLine(const std::string& line, std::string& error);
  bool Open(const std::string& path, const std::string& flags, int fd);
  bool Relative(const std::string& path, std::string& relative) const;
  std::int64_t CurrentSize(int file) const;

  std::string root_;
  std::vector<std::string> initial_contents_;       // by file number
  std::map<std::string, Entries> initial_entries_;  // by directory
  std::vector<Change> changes_;
  // The state while reading: names, sizes, open descriptors.
  std::map<std::string, Entries> entries_;
  std::vector<std::int64_t> sizes_;
  std::map<int, OpenFile> open_;
};

}  // namespace kestrel::testing
