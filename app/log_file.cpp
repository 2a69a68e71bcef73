#include "app/log_file.h"

#include <chrono>
#include <thread>

#include "app/console_messages.h"
#include "msgbase/fido/date_time.h"
#include "msgbase/fido/field_widths.h"
#include "platform/console.h"

namespace kestrel {
namespace {

constexpr std::string_view kLineEnd = "\n";

std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  if (text.size() < 2) text.insert(0, 1, '0');
  return text;
}

// Writes at the current end of the file, so that what another program
// appended in the meantime is never overwritten.
bool WriteAll(platform::FileHandle file, std::string_view bytes) {
  std::int64_t end = 0;
  if (platform::SeekFile(file, 0, platform::SeekOrigin::kEnd, end) != platform::dos_error::kNone) {
    return false;
  }
  std::uint32_t done = 0;
  const platform::DosError error =
      platform::WriteFile(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()), done);
  return error == platform::dos_error::kNone && done == bytes.size();
}

// Opens the log for appending. Another run holding it (it keeps it deny
// write while it goes on) is waited for, up to kLogWaitSeconds, so the
// entries of both runs are kept, one run after the other.
platform::DosError OpenLogWaiting(const std::string& name, int wait_seconds,
                                  platform::FileHandle& file) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(wait_seconds);
  bool warned = false;
  for (;;) {
    // A log is only ever appended to, so it may be a link to a file elsewhere.
    const platform::DosError error =
        platform::OpenFile(name, platform::FileAccess::kWrite, platform::FileShare::kDenyWrite,
                           file, platform::FinalLink::kFollow);
    if (error != platform::dos_error::kSharingViolation ||
        std::chrono::steady_clock::now() >= give_up) {
      return error;
    }
    if (!warned) {
      ConsoleWarning("Log file \"" + name + "\" is in use; waiting for it up to " +
                     std::to_string(wait_seconds) + " seconds");
      warned = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace

std::string FormatLogStamp(const platform::LocalTime& time) {
  return TwoDigits(time.day) + " " + MonthName(time.month) + " " +
         TwoDigits(YearToTwoDigits(time.year)) + " " + TwoDigits(time.hour) + ":" +
         TwoDigits(time.minute) + ":" + TwoDigits(time.second);
}

LogFile::LogFile(std::string_view file_name, bool file_enabled, bool flush_each_entry,
                 int wait_seconds)
    : file_name_(file_name.substr(0, kPathWidth)),
      flush_each_entry_(flush_each_entry),
      file_enabled_(file_enabled) {
  if (file_name_.empty() && file_enabled_) ConsoleWarning("Log filename not defined");
  if (!file_enabled_) return;
  OpenForAppending(wait_seconds);
  // One empty line separates the entries of successive runs. Nothing to warn
  // about when it fails: the file could not be opened, and that was said.
  if (file_ != platform::kInvalidFileHandle) WriteAll(file_, kLineEnd);
}

LogFile::~LogFile() {
  CloseFile();
}

void LogFile::OpenForAppending(int wait_seconds) {
  const platform::DosError error = OpenLogWaiting(file_name_, wait_seconds, file_);
  // Create the file only when there is none: an existing log that cannot be
  // opened (held by another run, no permission) must never be emptied, and
  // a link that points nowhere never makes a file where it points.
  if (error == platform::dos_error::kFileNotFound) {
    if (platform::CreateNewFile(file_name_, file_) != platform::dos_error::kNone) {
      file_ = platform::kInvalidFileHandle;
    }
  }
  if (file_ == platform::kInvalidFileHandle) {
    ConsoleWarning("Unable to create file \"" + file_name_ + "\"");
  }
}

void LogFile::CloseFile() {
  if (file_ != platform::kInvalidFileHandle) platform::CloseFile(file_);
  file_ = platform::kInvalidFileHandle;
}

std::string LogFile::StampedEntry(std::string_view head, std::string_view tag) const {
  std::string entry(head);
  entry += FormatLogStamp(platform::GetLocalTime());
  entry += ' ';
  entry += tag;
  return entry;
}

void LogFile::WriteEntry(std::string_view entry) {
  if (!file_enabled_) return;
  std::string line(entry.substr(0, kMaxStringLength));
  line += kLineEnd;
  if (file_ == platform::kInvalidFileHandle || !WriteAll(file_, line)) {
    ConsoleWarning("Unable to write to file " + file_name_);
  }
}

void LogFile::Log(char mark, std::string_view tag, std::string_view message) {
  LogQuiet(mark, tag, message);
  platform::ConsoleWriteLine(message);
}

void LogFile::LogPlain(std::string_view message) {
  WriteEntry(message);
  platform::ConsoleWriteLine(message);
}

void LogFile::LogQuiet(char mark, std::string_view tag, std::string_view message) {
  if (!file_enabled_) return;
  std::string entry = StampedEntry(std::string(1, mark) + " ", tag);
  entry += ' ';
  entry += message;
  WriteEntry(entry);
}

void LogFile::Warning(std::string_view tag, std::string_view message) {
  if (file_enabled_) WriteEntry(StampedEntry("? ", tag) + " Warning: " + std::string(message));
  ConsoleWarning(message);
}

void LogFile::ReportError(std::string_view tag, std::string_view message) {
  if (file_enabled_) WriteEntry(StampedEntry("! ", tag) + " Error: " + std::string(message));
  platform::ConsoleWriteLine("Error: " + std::string(message));
}

void LogFile::Error(std::string_view tag, std::string_view message) {
  if (file_enabled_) WriteEntry(StampedEntry("! ", tag) + " Error: " + std::string(message));
  CloseFile();
  ConsoleError(message);
}

int LogFile::Abort(std::uint8_t code, std::string_view message, std::string_view tag) {
  if (file_enabled_) WriteEntry(StampedEntry("! ", tag) + std::string(message));
  CloseFile();
  platform::ConsoleWriteLine(message);
  return code;
}

}  // namespace kestrel
