// File streams that the tests watch: every call the formats make on a file
// is counted, and a write can be made to fail, to see what the formats do
// when the disk refuses one. Installed in the NewFile hook in place of the
// plain file streams. An open of one file can be made to fail as well, for
// any file Kestrel opens (configuration, log, message bases).
#pragma once

#include <cstdint>
#include <string>

#include "platform/dos_error.h"

namespace kestrel::testing {

struct FileCalls {
  // Calls that reach the system, over every watched file.
  std::int64_t reads = 0;
  std::int64_t writes = 0;  // writes and truncations
  std::int64_t seeks = 0;
  std::int64_t sizes = 0;  // GetSize and GetPos
  std::int64_t opens = 0;

  // The 1-based number of the write (over all files) that fails, with the
  // stream status StWriteError; 0 for none. The failing stream stays failed,
  // as a file stream does.
  std::int64_t fail_write = 0;
  // Whether a write has been made to fail.
  bool failed = false;

  std::int64_t Total() const { return reads + writes + seeks + sizes + opens; }
  void Clear() { *this = FileCalls(); }
};

// Makes NewFile hand out watched file streams that count into `calls`
// (which must outlive them). InstallStreamFactories puts the plain ones back.
void InstallWatchedFiles(FileCalls& calls);

// While it lives, every open of the file `path` (spelt as Kestrel is given
// it) fails with `error`, as the system would refuse it, whoever runs the
// test.
class FailingOpens {
 public:
  FailingOpens(std::string path, platform::DosError error);
  ~FailingOpens();
  FailingOpens(const FailingOpens&) = delete;
  FailingOpens& operator=(const FailingOpens&) = delete;

 private:
  std::string path_;
};

}  // namespace kestrel::testing
