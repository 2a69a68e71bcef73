// Drives Debian's crashmail tosser as a black-box peer: it tosses netmail
// into a JAM or *.MSG area (the files Kestrel must read), exports netmail from
// such an area into a packet (reading what Kestrel wrote) and deletes old
// messages the standard JAM way (crashmaint MAINT).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fido_packet.h"

namespace kestrel::testing {

enum class AreaFormat { kJam, kMsg };

struct NetmailMessage {
  std::string from_name = "Alice Sender";
  std::string from_address = "1:2/3.4";
  std::string to_name = "Bob Receiver";
  std::string to_address = "2:5020/1.7";
  std::string subject = "Test subject";
  std::string body = "Hello\n";  // lines ended by LF, as in a text file
  bool with_msgid = true;
};

struct PeerRun {
  bool ok = false;
  std::string output;  // what the tools printed, for the failure message
};

struct ExportResult {
  bool ok = false;
  std::string output;
  std::vector<FidoPacket> packets;      // in the order of their file names
  std::vector<PackedMessage> messages;  // the messages of all packets
};

class CrashmailPeer {
 public:
  static constexpr const char* kAka = "2:5020/1";
  static constexpr const char* kUplink = "2:5020/2";  // where exported netmail is routed

  // True when crashmail, crashwrite and crashmaint are installed.
  static bool Available();

  // Prepares `work_dir` (created if needed) with the in, out and tmp
  // directories. The netmail area is `area_path`: a JAM base path (files
  // area_path.jhr ...) or a *.MSG directory. A BAD area lives in work_dir.
  CrashmailPeer(std::string work_dir, AreaFormat format, std::string area_path);

  const std::string& work_dir() const { return work_dir_; }
  const std::string& area_path() const { return area_path_; }

  // Writes one message into a packet of its own with crashwrite and tosses it
  // into the netmail area; ok when exactly that message was imported.
  PeerRun TossNetmail(const NetmailMessage& message);

  // Tosses a packet built by the test; ok when all its messages were imported.
  PeerRun TossPacket(const FidoPacket& packet);

  // Exports the Local, not Sent, messages of the netmail area to the uplink
  // (crashmail SCAN) and reads the packets it wrote. crashmail marks each
  // exported message Sent in the area. Packets read are moved out of the way,
  // so the next export returns only new ones.
  ExportResult ExportNetmail();

  // crashmaint MAINT with KEEPNUM `keep` on the netmail area: deletes all but
  // the newest `keep` messages (JAM: sets the deleted attribute, lowers
  // ActiveMsgs and keeps the index record; *.MSG: removes the files).
  PeerRun MaintKeepNewest(unsigned keep);

 private:
  enum class Prefs { kToss, kExport, kMaint };
  std::string WritePrefs(Prefs variant, unsigned keep = 0) const;
  PeerRun TossFile(const std::string& packet_path, std::size_t expected_messages,
                   std::string output);
  std::string NextScratchDir(const char* prefix);

  std::string work_dir_;
  AreaFormat format_;
  std::string area_path_;
  int scratch_count_ = 0;
};

}  // namespace kestrel::testing

// Skips the current test when crashmail is not installed.
#define KESTREL_SKIP_WITHOUT_CRASHMAIL()                                    \
  do {                                                                      \
    if (!::kestrel::testing::CrashmailPeer::Available()) {                  \
      GTEST_SKIP() << "crashmail not installed (Debian package crashmail)"; \
    }                                                                       \
  } while (false)
