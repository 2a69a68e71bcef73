#include "app/read_configuration.h"

#include "app/config_line_splitter.h"
#include "app/error_report.h"
#include "app/version.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/fido/string_functions.h"
#include "platform/file_closer.h"
#include "platform/file_kind.h"
#include "platform/file_system.h"

namespace kestrel {
namespace {

constexpr std::uint32_t kReadChunkSize = 16384;

// Whether a netmail area is a *.MSG area, whose lastread file holds one
// entry per user number.
bool HasMsgDirArea(const MoverConfig& config) {
  for (const std::string& area : config.NetmailAreas) {
    AreaKind kind = KindUnknown;
    std::string path;
    ParseAreaId(area, kind, path);
    if (kind == KindMsgDir) return true;
  }
  return false;
}

std::string TooLargeMessage(const std::string& name) {
  return "Configuration file " + name + " is larger than 1 MB (" +
         std::to_string(kMaxConfigurationSize) + " bytes)";
}

// A configuration is a regular file of reasonable size: a device such as
// /dev/zero, or a FIFO, would be read forever or never answer.
FatalOutcome CheckConfigurationFile(const std::string& name, platform::FileHandle file) {
  bool regular = false;
  const platform::DosError kind_error = platform::IsRegularFile(file, regular);
  if (kind_error != platform::dos_error::kNone) return RunTimeFailure(kind_error);
  if (!regular) return FatalError("Configuration file " + name + " is not a regular file");
  std::int64_t size = 0;
  const platform::DosError size_error = platform::GetFileSize(file, size);
  if (size_error != platform::dos_error::kNone) return RunTimeFailure(size_error);
  if (size > kMaxConfigurationSize) return FatalError(TooLargeMessage(name));
  return std::nullopt;
}

// Hands the lines of the open file to `visit`.
FatalOutcome VisitLines(const std::string& name, platform::FileHandle file,
                        const ConfigLineVisitor& visit) {
  ConfigLineSplitter splitter(
      [&](std::string_view raw_line) { visit(raw_line, splitter.LineWasCut()); });
  std::string buffer(kReadChunkSize, '\0');
  std::int64_t total = 0;
  for (;;) {
    std::uint32_t done = 0;
    const platform::DosError read_error =
        platform::ReadFile(file, buffer.data(), kReadChunkSize, done);
    if (read_error != platform::dos_error::kNone) return RunTimeFailure(read_error);
    if (done == 0) break;
    // A file that grows while it is read is held to the same limit.
    total += done;
    if (total > kMaxConfigurationSize) return FatalError(TooLargeMessage(name));
    splitter.Feed(std::string_view(buffer.data(), done));
  }
  splitter.Finish();
  return std::nullopt;
}

}  // namespace

FatalOutcome ForEachConfigurationLine(const std::string& name, const ConfigLineVisitor& visit) {
  platform::FileHandle file = platform::kInvalidFileHandle;
  // Only read: a configuration kept elsewhere and linked to may be followed.
  const platform::DosError open_error =
      platform::OpenFile(name, platform::FileAccess::kRead, platform::FileShare::kDenyWrite, file,
                         platform::FinalLink::kFollow);
  if (open_error != platform::dos_error::kNone) return RunTimeFailure(open_error);
  platform::FileCloser closer(file);
  if (FatalOutcome fatal = CheckConfigurationFile(name, file)) return fatal;
  return VisitLines(name, file, visit);
}

FatalOutcome ReadConfigurationFile(const std::string& name, MoverConfig& config,
                                   ConfigProblems& problems) {
  config = MoverConfig{};
  problems = ConfigProblems{};
  return ForEachConfigurationLine(name, [&](std::string_view raw_line, bool) {
    ApplyConfigLine(PrepareConfigLine(raw_line), config, problems);
  });
}

std::string ConfigurationFailure(const MoverConfig& config, const ConfigProblems& problems) {
  if (!problems.overfull_list.empty()) {
    return "Too many " + problems.overfull_list + " lines (more than " +
           std::to_string(kMaxListEntries) + ").";
  }
  if (config.NetmailAreas.empty()) return "Path to netmail inbox not set. Please fix it.";
  if (config.UseLastRead && config.UserNumber == 0) {
    return "Please set some number in UserNumber, not ZERO.";
  }
  if (config.Priority[0].empty()) return "Please set priority.";
  if (config.UserNumber > kMaxMsgDirUserNumber && HasMsgDirArea(config)) {
    return "UserNumber " + std::to_string(config.UserNumber) +
           " is too large for a *.MSG area (at most " + std::to_string(kMaxMsgDirUserNumber) + ").";
  }
  return "";
}

FatalOutcome ReadConfiguration(const std::string& name, MoverConfig& config,
                               std::unique_ptr<LogFile>& log) {
  std::uint32_t attributes = 0;
  if (platform::GetFileAttributes(name, attributes) != platform::dos_error::kNone) {
    // No file operation is pending at this point: the result code is 0.
    return FatalError("Unable to open " + name + ", rc=" + EightHexDigits(0, HexLetters::kUpper));
  }

  ConfigProblems problems;
  if (FatalOutcome fatal = ReadConfigurationFile(name, config, problems)) return fatal;

  log = config.LogPath.empty() ? std::make_unique<LogFile>("", false, false)
                               : std::make_unique<LogFile>(config.LogPath, true, true);
  log->LogQuiet('b', kProgramTag, "started");
  const std::string failure = ConfigurationFailure(config, problems);
  if (!failure.empty()) return FatalError(failure);
  return std::nullopt;
}

}  // namespace kestrel
