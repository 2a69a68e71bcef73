// File-system functions the formats call: existence tests, deletion and the
// creation of directory paths. Paths may use "\" or "/" as separators.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

// Whether a directory search for `name` with every attribute allowed finds an
// entry: wildcards are honoured and a directory counts. Uses NewDirSearch.
bool FileExists(std::string_view name);

// Whether `path` names an existing directory (a trailing separator is
// allowed): one query of its attributes. What a directory search of
// "path\*.*" (DirExists) tells of a directory that can be listed, without
// listing it.
bool IsDirectory(std::string_view path);

// The size of an existing file in bytes (opened for reading through
// NewFile); -1 when it cannot be opened.
std::int64_t FileSizeOf(std::string_view name);

// Erases a file; true when that succeeded.
bool DeleteFile(std::string_view name);

// Creates one directory, ignoring every error. A trailing separator is removed
// first unless the path is the root.
void MakeDirQuiet(std::string_view path);

// Creates every directory along `path` as it is written, from its first
// component down, ignoring the ones that exist and every error; true then:
// whether the directory is there is for the caller to find out when it
// creates its files. False, with nothing created, when a ".." component
// climbs out of a directory that does not exist ("x/../dest" with no "x").
bool ForceDirectories(std::string_view path);

// Everything before the last separator of `path` as it is written ("/" for
// a file in the root, "" for a bare name): the directory a create of `path`
// makes its file in.
std::string DirectoryPart(std::string_view path);

// The full path of `path`: absolute, "." and ".." folded, the existing
// components in the spelling the file layer finds them by, "\" separators.
std::string ExpandFileName(std::string_view path);

// The directory part of the full path of `path`: everything before its last
// "\", without that "\"; "" when there is none.
std::string ExtractDir(std::string_view path);

}  // namespace kestrel
