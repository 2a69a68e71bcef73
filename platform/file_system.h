// Files and directories as the rest of Kestrel sees them: DOS/Win32 semantics
// (sharing classes, case-insensitive names, "\" separators) on whatever the
// host system is. On POSIX, "\" and "/" both separate components; a component
// that does not exist with its exact spelling is found ignoring ASCII case
// (the first match in byte order), and one that does not exist at all is
// created in lower case. "/" plays the part of a drive root. This header and clock.h, console.h,
// process.h are the whole interface to the operating system; only the files below platform/ include
// system headers.
//
// Every operation that can fail returns a DosError (0 on success).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/dos_error.h"

namespace kestrel::platform {

using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFileHandle = -1;

// DOS attribute bits, as directory searches and attribute queries report them.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrVolumeLabel = 0x08;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
// Bits Win32 gives entries that are no plain file or directory: 40h for a
// device (here also a FIFO or a socket), 400h for a symbolic link (a reparse
// point; the other bits then describe what it points to, or the link itself
// when it points nowhere).
inline constexpr std::uint32_t kAttrDevice = 0x40;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;

enum class FileAccess { kRead, kWrite, kReadWrite };

// The DOS sharing classes. Compatibility mode is treated as deny all.
enum class FileShare { kCompatibility, kDenyAll, kDenyWrite, kDenyRead, kDenyNone };

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// Symbolic links. A link among the directories of a path is always followed
// (a sysop may keep an area or a log behind a linked directory). A link that
// is the last component of a path is never created, truncated or opened
// through, unless an open asks for kFollow: such a request fails with
// dos_error::kStoppedOnSymlink and the link is noted (TakeRefusedLink). In a
// spool that other accounts may write, a planted link would otherwise make a
// run destroy, or copy out, a file its owner never meant it to touch.
enum class FinalLink { kRefuse, kFollow };

// Creates the file, replacing an existing one, and opens it for reading and
// writing with sharing class deny none. Refused for a link (also a dangling
// one): nothing is created or emptied through it.
DosError CreateFile(std::string_view path, FileHandle& handle);

// As CreateFile, but fails with dos_error::kFileExists when the name exists
// (DOS function 5Bh), a link included: an existing file is never touched.
DosError CreateNewFile(std::string_view path, FileHandle& handle);

// Opens an existing file. Fails with kSharingViolation when another opener's
// sharing class denies the requested access, or when this request denies an
// access another opener already holds. The classes hold between every open
// made through this layer, in this process and in others; on POSIX, software
// that does not use this layer is not excluded by them (nor excludes us).
// A link as the last component is refused unless `link` is kFollow.
DosError OpenFile(std::string_view path, FileAccess access, FileShare share, FileHandle& handle,
                  FinalLink link = FinalLink::kRefuse);

// The path (as the system names it) of the last link that an open or create
// refused since the previous call; "" when there was none. Lets the caller
// name the link in its error, whatever layer the refusal passed through.
std::string TakeRefusedLink();

// One system call each. `done` receives the number of bytes moved.
DosError ReadFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& done);
DosError WriteFile(FileHandle handle, const void* buffer, std::uint32_t count, std::uint32_t& done);

DosError SeekFile(FileHandle handle, std::int64_t distance, SeekOrigin origin,
                  std::int64_t& position);

// The size of an open file; its position does not move. As a seek to the
// end would tell it (one query of the file's status for a regular file).
DosError GetFileSize(FileHandle handle, std::int64_t& size);

// Sets the end of the file to the current position; the position stays.
DosError SetEndOfFile(FileHandle handle);

// Makes what was written through the handle durable, as FlushFileBuffers
// does on Win32: the file's data and size reach the disk before this returns,
// and so does its name when this handle created the file (the entry of a new
// file in its directory). A handle with nothing written costs one call.
DosError FlushFileBuffers(FileHandle handle);

// Makes the entries of an existing directory durable: names added to it or
// removed from it (a deleted file) survive a power cut once this returns.
DosError FlushDirectoryBuffers(std::string_view path);

// Closes the handle and releases its sharing locks and the byte ranges it
// locked. Errors are ignored.
void CloseFile(FileHandle handle);

// Locks `length` bytes of an open file from `offset` against other
// processes, without waiting: kLockViolation when another process holds a
// lock on any of them. The handle must be open for writing. These are the
// locks other programs sharing a file take by convention (the first byte of a
// message base while they change it); on POSIX they are fcntl record locks,
// which every such program sees. Unlike on Win32 they belong to the process:
// a second lock by this process on the same bytes succeeds. Closing another
// handle of the same file keeps them (the close waits for the last unlock).
DosError LockFile(FileHandle handle, std::int64_t offset, std::int64_t length);

// Releases a range LockFile locked with the same offset and length;
// kNotLocked when there is no such lock.
DosError UnlockFile(FileHandle handle, std::int64_t offset, std::int64_t length);

// Deletes a file. As on Win32, directories, read-only files and files that an
// open through this layer holds are not deleted.
DosError DeleteFile(std::string_view path);

// The DOS attribute bits of an existing file or directory.
DosError GetFileAttributes(std::string_view path, std::uint32_t& attributes);

// Creates one directory; its parent must exist. The new directory's name is
// durable in its parent before this returns.
DosError CreateDirectory(std::string_view path);

// What tells whether a directory's entries may have changed: the directory
// itself and the time of its last change, to the nanosecond. Adding,
// removing or renaming an entry changes the time; changes made within one
// tick of the file system's clock may leave it the same.
struct DirectoryStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t changed_ns = 0;

  friend bool operator==(const DirectoryStamp&, const DirectoryStamp&) = default;
};

// The stamp of an existing directory.
DosError GetDirectoryStamp(std::string_view path, DirectoryStamp& stamp);

// The same for an existing file: its identity and the time of its last
// change (of its data or of its status, whichever is later), to the
// nanosecond. Once a stamp has been taken, systems with fine-grained stamps
// (Linux from 6.13 on) give the next change a new one.
DosError GetFileStamp(std::string_view path, DirectoryStamp& stamp);

// Expands a path to an absolute one against the current directory, folding
// "." and ".." without resolving links. Separators come back as "\".
std::string GetFullPathName(std::string_view path);

// One entry found by a directory search.
struct FindData {
  std::string name;              // the entry's name, without the directory part
  std::uint32_t attributes = 0;  // DOS attribute bits
  std::uint32_t dos_time = 0;    // last write, local time, packed DOS date (high) and time (low)
  std::uint32_t size = 0;        // size in bytes (cut to 32 bits)
};

// A running directory search. Destroying it ends the search.
class FindSearch {
 public:
  virtual ~FindSearch() = default;
  // The next entry; kNoMoreFiles when there is none.
  virtual DosError Next(FindData& data) = 0;
};

// Starts a search for `pattern`: a path whose last component may hold the DOS
// wildcards "*" and "?". Entries are returned without regard to their
// attributes ("." and ".." included); callers filter by attribute.
// On success `search` holds the search and `data` the first entry.
DosError FindFirstFile(std::string_view pattern, std::unique_ptr<FindSearch>& search,
                       FindData& data);

// Lists the entries of `directory` whose names match the DOS pattern
// `pattern` (wildcards "*" and "?", ASCII case ignored), "." and ".." left
// out, telling of each only its name and whether it is a regular file (not
// a link, directory, device or FIFO). Cheaper than a directory search: an
// entry's status is asked for only where the listing does not tell its kind.
// kPathNotFound when the directory cannot be listed.
DosError ListEntryKinds(std::string_view directory, std::string_view pattern,
                        const std::function<void(std::string_view name, bool regular)>& take);

}  // namespace kestrel::platform
