// The run's log: timestamped entries appended to an optional file, echoed to
// the console in part. Error and Abort close the file: they are the last
// entry of a run.
//
// A file entry is one line: a mark character chosen by the caller, the stamp
// "DD Mon YY HH:MM:SS" of the local clock, a tag and the message, separated
// by single spaces, cut to 255 characters and ended by "\n". The file is
// opened for appending (created when it does not exist), each run begins
// with one empty line, and every entry is written at the file's current end. It is held with
// sharing class deny write: readers may look at it while the run goes on; a second writer using the
// same file layer is kept out, so entries of two runs never interleave. A second run that finds the
// log held waits for it (up to kLogWaitSeconds, with a console warning), so its entries follow the
// first run's instead of being lost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace kestrel {

// How long a run waits for a log that another run holds. Start-up has
// changed nothing yet, so the wait costs nothing but time; a signal ends it.
inline constexpr int kLogWaitSeconds = 60;

// "DD Mon YY HH:MM:SS", each number two digits with a leading zero; the year
// is the year minus 2000 from 2000 on, else minus 1900.
std::string FormatLogStamp(const platform::LocalTime& time);

class LogFile {
 public:
  // Opens the file when `file_enabled` (see above). A file that cannot be
  // opened or created is only a console warning: the run goes on and every
  // file write warns again. With `file_enabled` clear only console output
  // happens. `flush_each_entry` is kept for callers that ask; every entry
  // is handed to the system as soon as it is written either way.
  // A log that another run holds is waited for up to `wait_seconds`.
  LogFile(std::string_view file_name, bool file_enabled, bool flush_each_entry,
          int wait_seconds = kLogWaitSeconds);
  // Closes the file.
  virtual ~LogFile();

  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // File: mark, stamp, tag, message. Console: the message.
  virtual void Log(char mark, std::string_view tag, std::string_view message);
  // File and console: the message as it is.
  virtual void LogPlain(std::string_view message);
  // File only: mark, stamp, tag, message.
  virtual void LogQuiet(char mark, std::string_view tag, std::string_view message);
  // File: "? " stamp, tag, "Warning: " message. Console: "Warning: " message.
  virtual void Warning(std::string_view tag, std::string_view message);
  // File: "! " stamp, tag, "Error: " message. Console: "Error: " message.
  // The run goes on: for a failure that stops only one message.
  virtual void ReportError(std::string_view tag, std::string_view message);
  // File: "! " stamp, tag, "Error: " message; the file is closed.
  // Console: "Error: " message. The entry of a fatal error: KestrelMain
  // writes it and then ends the run with exit code 255.
  virtual void Error(std::string_view tag, std::string_view message);
  // File: "! " stamp, tag immediately followed by the message; the file is
  // closed. Console: the message. Returns `code`, the exit code the caller
  // ends the run with.
  virtual int Abort(std::uint8_t code, std::string_view message, std::string_view tag);

  const std::string& fileName() const { return file_name_; }
  bool fileEnabled() const { return file_enabled_; }
  bool flushEachEntry() const { return flush_each_entry_; }

 private:
  void OpenForAppending(int wait_seconds);
  // Writes one entry line (cut to 255 characters); warns on the console when
  // the write fails.
  void WriteEntry(std::string_view entry);
  std::string StampedEntry(std::string_view head, std::string_view tag) const;
  void CloseFile();

  std::string file_name_;
  platform::FileHandle file_ = platform::kInvalidFileHandle;
  bool flush_each_entry_ = false;
  bool file_enabled_ = false;
};

}  // namespace kestrel
