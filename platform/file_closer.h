// Closing a file however the function that opened it ends.
#pragma once

#include "platform/file_system.h"

namespace kestrel::platform {

// Closes the handle when it goes out of scope.
class FileCloser {
 public:
  explicit FileCloser(FileHandle handle) : handle_(handle) {}
  ~FileCloser() { CloseFile(handle_); }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  FileHandle handle_;
};

}  // namespace kestrel::platform
