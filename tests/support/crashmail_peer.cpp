#include "tests/support/crashmail_peer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <sstream>

#include "tests/support/peer_programs.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& value) {
  return "\"" + value + "\"";
}

// The number crashmail prints after a statistics label such as
// "Imported messages:"; nullopt when the label is missing.
std::optional<long> CountAfter(const std::string& output, const std::string& label) {
  const std::size_t at = output.find(label);
  if (at == std::string::npos) return std::nullopt;
  std::size_t pos = at + label.size();
  while (pos < output.size() && output[pos] == ' ')
    ++pos;
  std::size_t end = pos;
  while (end < output.size() && std::isdigit(static_cast<unsigned char>(output[end])))
    ++end;
  if (end == pos) return std::nullopt;
  return std::stol(output.substr(pos, end - pos));
}

std::vector<std::string> FilesWithSuffix(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error)) {
    std::string name = entry.path().filename().string();
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (entry.is_regular_file() && lower.size() > suffix.size() &&
        lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0) {
      found.push_back(entry.path().string());
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string Describe(const std::vector<std::string>& argv, const ProgramResult& result) {
  std::string line = "$";
  for (const std::string& arg : argv)
    line += " " + arg;
  return line + "\n" + result.output + "[exit " + std::to_string(result.exit_code) + "]\n";
}

}  // namespace

bool CrashmailPeer::Available() {
  static const bool available = !FindProgram("crashmail").empty() &&
                                !FindProgram("crashwrite").empty() &&
                                !FindProgram("crashmaint").empty();
  return available;
}

CrashmailPeer::CrashmailPeer(std::string work_dir, AreaFormat format, std::string area_path)
    : work_dir_(std::move(work_dir)), format_(format), area_path_(std::move(area_path)) {
  for (const char* dir : {"in", "out", "tmp"})
    fs::create_directories(fs::path(work_dir_) / dir);
}

std::string CrashmailPeer::WritePrefs(Prefs variant, unsigned keep) const {
  const std::string& w = work_dir_;
  std::ostringstream prefs;
  prefs << "SYSOP \"Test Sysop\"\n"
        << "LOGFILE " << Quoted(w + "/crashmail.log") << "\n"
        << "LOGLEVEL 6\n"
        << "DUPEFILE " << Quoted(w + "/dupes") << " 200\n"
        << "DUPEMODE IGNORE\n"
        << "INBOUND " << Quoted(w + "/in") << "\n"
        << "OUTBOUND " << Quoted(w + "/out") << "\n"
        << "TEMPDIR " << Quoted(w + "/tmp") << "\n"
        << "CREATEPKTDIR " << Quoted(w + "/tmp") << "\n"
        << "PACKETDIR " << Quoted(w + "/out") << "\n"
        << "STATSFILE " << Quoted(w + "/stats") << "\n"
        << "IMPORTEMPTYNETMAIL\n"
        << "AKA " << kAka << "\n";
  if (variant == Prefs::kExport) {
    // Netmail to anywhere goes to the uplink; NOROUTE would import it instead.
    prefs << "NODE " << kUplink << " \"\" \"\"\n"
          << "ROUTE \"*:*/*.*\" \"" << kUplink << "\" " << kAka << "\n";
  } else {
    // Without NOROUTE, netmail to a point of the AKA is "lost" into BAD.
    prefs << "NOROUTE\n";
  }
  prefs << "NETMAIL \"NETMAIL\" " << kAka << (format_ == AreaFormat::kJam ? " JAM " : " MSG ")
        << Quoted(area_path_) << "\n";
  if (variant == Prefs::kMaint) prefs << "KEEPNUM " << keep << "\n";
  prefs << "AREA \"BAD\" " << kAka << " JAM " << Quoted(w + "/bad") << "\n";

  const char* name = variant == Prefs::kToss     ? "crashmail.prefs"
                     : variant == Prefs::kExport ? "crashmail-export.prefs"
                                                 : "crashmail-maint.prefs";
  const std::string path = w + "/" + name;
  WriteWholeFile(path, prefs.str());
  return path;
}

std::string CrashmailPeer::NextScratchDir(const char* prefix) {
  // crashwrite names its packet after the clock in seconds: every message gets
  // a directory of its own so that two in one second cannot collide.
  const std::string dir = work_dir_ + "/" + prefix + std::to_string(++scratch_count_);
  fs::create_directories(dir);
  return dir;
}

PeerRun CrashmailPeer::TossFile(const std::string& packet_path, std::size_t expected_messages,
                                std::string output) {
  const std::vector<std::string> argv = {FindProgram("crashmail"),
                                         "SETTINGS",
                                         WritePrefs(Prefs::kToss),
                                         "TOSSFILE",
                                         packet_path,
                                         "NOSECURITY"};
  const ProgramResult toss = RunPeerProgram(argv, work_dir_);
  output += Describe(argv, toss);
  const std::optional<long> imported = CountAfter(toss.output, "Imported messages:");
  PeerRun run;
  run.ok = toss.exit_code == 0 && imported && *imported == static_cast<long>(expected_messages);
  run.output = std::move(output);
  return run;
}

PeerRun CrashmailPeer::TossNetmail(const NetmailMessage& message) {
  const std::string dir = NextScratchDir("write");
  const std::string body_path = dir + "/body.txt";
  WriteWholeFile(body_path, message.body);
  std::vector<std::string> argv = {FindProgram("crashwrite"),
                                   "DIR",
                                   dir,
                                   "FROMNAME",
                                   message.from_name,
                                   "FROMADDR",
                                   message.from_address,
                                   "TONAME",
                                   message.to_name,
                                   "TOADDR",
                                   message.to_address,
                                   "SUBJECT",
                                   message.subject,
                                   "TEXT",
                                   body_path};
  if (!message.with_msgid) argv.push_back("NOMSGID");
  const ProgramResult write = RunPeerProgram(argv, work_dir_);
  std::string output = Describe(argv, write);
  const std::vector<std::string> packets = FilesWithSuffix(dir, ".pkt");
  if (write.exit_code != 0 || packets.size() != 1) {
    output += "expected one packet from crashwrite, found " + std::to_string(packets.size()) + "\n";
    return {false, output};
  }
  return TossFile(packets.front(), 1, std::move(output));
}

PeerRun CrashmailPeer::TossPacket(const FidoPacket& packet) {
  const std::string dir = NextScratchDir("packet");
  const std::string path = dir + "/0000" + std::to_string(1000 + scratch_count_) + ".pkt";
  WriteWholeFile(path, WriteFidoPacket(packet));
  return TossFile(path, packet.messages.size(), "");
}

ExportResult CrashmailPeer::ExportNetmail() {
  const std::vector<std::string> argv = {FindProgram("crashmail"), "SETTINGS",
                                         WritePrefs(Prefs::kExport), "SCAN"};
  const ProgramResult scan = RunPeerProgram(argv, work_dir_);
  ExportResult result;
  result.output = Describe(argv, scan);
  result.ok = scan.exit_code == 0;

  const std::string done_dir = NextScratchDir("exported");
  std::vector<std::string> files = FilesWithSuffix(work_dir_ + "/out", ".out");
  for (const std::string& file : FilesWithSuffix(work_dir_ + "/out", ".pkt"))
    files.push_back(file);
  for (const std::string& file : files) {
    const PacketReadResult read = ReadFidoPacket(ReadWholeFile(file));
    if (!read.ok) {
      result.ok = false;
      result.output += "bad packet " + file + ": " + read.error + "\n";
    }
    result.packets.push_back(read.packet);
    for (const PackedMessage& message : read.packet.messages)
      result.messages.push_back(message);
    fs::rename(file, fs::path(done_dir) / fs::path(file).filename());
  }
  return result;
}

PeerRun CrashmailPeer::MaintKeepNewest(unsigned keep) {
  const std::vector<std::string> argv = {FindProgram("crashmaint"),
                                         "SETTINGS",
                                         WritePrefs(Prefs::kMaint, keep),
                                         "MAINT",
                                         "PATTERN",
                                         "NETMAIL"};
  const ProgramResult maint = RunPeerProgram(argv, work_dir_);
  PeerRun run;
  run.output = Describe(argv, maint);
  run.ok = maint.exit_code == 0 && maint.output.find("Processing NETMAIL") != std::string::npos &&
           maint.output.find("Failed") == std::string::npos;
  return run;
}

}  // namespace kestrel::testing
