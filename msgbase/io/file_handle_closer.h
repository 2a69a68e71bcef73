// Closes a file handle of the platform layer however the scope that opened
// it ends, for code that works on a handle directly rather than through a
// stream.
#pragma once

#include "platform/file_system.h"

namespace kestrel {

class FileHandleCloser {
 public:
  explicit FileHandleCloser(platform::FileHandle handle) : handle_(handle) {}
  ~FileHandleCloser() { platform::CloseFile(handle_); }
  FileHandleCloser(const FileHandleCloser&) = delete;
  FileHandleCloser& operator=(const FileHandleCloser&) = delete;

 private:
  platform::FileHandle handle_;
};

}  // namespace kestrel
