// Drives Debian's jamnntpd as a black-box peer: serves a JAM base over NNTP
// and reads every article back, so that tests see a JAM base the way another
// program's reader does.
//
// jamnntpd cannot be told which address to listen on, so server and client run
// together inside a private network namespace whose only interface is
// loopback (and a private PID namespace, so nothing outlives the session).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel::testing {

// How the base is shown to jamnntpd. The Debian amd64 build steps through the
// .jdx file in 16-byte records: it sees only every other index record (article
// k is message 2k-1 of a base of N messages, and only N/2 articles, rounded
// down, so the last message of an odd count is never seen).
enum class IndexView {
  // A copy of the base whose .jdx holds every index record twice (and whose
  // ActiveMsgs counts them): the defective build then sees every message once,
  // as article k = message k. A fixed build sees each twice; the duplicates
  // are dropped. Headers and texts are byte for byte those of the base.
  kEveryMessage,
  // A byte-identical copy of the base: shows what the build makes of the
  // index as stored (every other message on the defective build).
  kAsStored,
};

struct NntpOverview {
  std::string subject;
  std::string from;
  std::string date;
  std::string message_id;
  std::string references;
  std::string bytes;
  std::string lines;
};

struct NntpArticle {
  std::uint32_t article_number = 0;
  std::uint32_t jam_message_number = 0;  // number of the message in the given base
  std::string status;                    // the answer to ARTICLE
  std::optional<NntpOverview> overview;  // its XOVER line, if listed
  std::vector<std::pair<std::string, std::string>> headers;  // in order, folded lines joined
  std::vector<std::string> body_lines;

  // Value of the first header of this name (any case); nullopt when absent.
  std::optional<std::string> Header(std::string_view name) const;
};

struct NntpReading {
  bool ok = false;
  std::string error;
  bool index_stepping_defect = false;  // the server showed the 16-byte stepping
  std::vector<NntpArticle> articles;   // the articles the server returned
  std::vector<NntpArticle> refused;    // numbers it answered with an error (deleted: 503)
                                       // or no answer at all (status empty)
  std::vector<std::string> warnings;   // what went wrong with single articles
  std::string transcript;              // the raw session, for failure messages
  std::string server_log;
};

class JamnntpdPeer {
 public:
  static constexpr const char* kGroup = "OURS.A";
  static constexpr const char* kAka = "2:5020/1";
  // The namespace is private, so every port is free in it.
  static constexpr int kPort = 5119;

  // Empty when jamnntpd can be run here; else why not (missing package,
  // no network namespace).
  static std::string UnavailableReason();

  // Config files, copies of the served base and the session script go into
  // `work_dir` (created if needed).
  explicit JamnntpdPeer(std::string work_dir);

  // Serves the JAM base at `base_path` (files base_path.jhr ...) and reads the
  // group list, the overview and every article.
  NntpReading Read(const std::string& base_path, IndexView view = IndexView::kEveryMessage);

 private:
  std::string work_dir_;
  int session_count_ = 0;
};

}  // namespace kestrel::testing

// Skips the current test, with the reason, when jamnntpd cannot be run.
#define KESTREL_SKIP_WITHOUT_JAMNNTPD()                                            \
  do {                                                                             \
    const std::string kestrel_jamnntpd_reason =                                    \
        ::kestrel::testing::JamnntpdPeer::UnavailableReason();                     \
    if (!kestrel_jamnntpd_reason.empty()) GTEST_SKIP() << kestrel_jamnntpd_reason; \
  } while (false)
