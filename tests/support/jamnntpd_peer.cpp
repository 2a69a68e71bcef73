#include "tests/support/jamnntpd_peer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "tests/support/jam_files.h"
#include "tests/support/nntp_transcript.h"
#include "tests/support/peer_programs.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {

namespace fs = std::filesystem;

namespace {

// Runs inside the namespaces: brings loopback up, starts jamnntpd, waits for
// its port, holds the conversations and prints them (see nntp_transcript.h).
// Being PID 1 of its namespace, its end takes the server down with it; the
// server is stopped by its process id before that.
constexpr const char* kSessionScript = R"SCRIPT(
port=$1 dir=$2 jamnntpd=$3 ip=$4 group=$5
fail() { printf 'E: %s\n' "$*"; }
warn() { printf 'W: %s\n' "$*"; }
"$ip" link set lo up || { fail "cannot bring up loopback"; exit 3; }
cd "$dir" || exit 3
"$jamnntpd" -port "$port" -groups groups -allow allow -users users -xlat xlat \
  -logfile jamnntpd.log -noecholog -noencode -def_flowed off -def_showto off \
  >jamnntpd.out 2>&1 &
server=$!
up=
for attempt in $(seq 100); do
  kill -0 "$server" 2>/dev/null || break
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then up=1; break; fi
  sleep 0.1
done
if [ -z "$up" ]; then fail "jamnntpd did not listen on port $port"; exit 4; fi
line=
status() {
  if IFS= read -r -t 15 line <&3; then printf 'S: %s\n' "$line"; return 0; fi
  line=; return 1
}
data() {
  local l
  while IFS= read -r -t 15 l <&3; do
    if [ "$l" = $'.\r' ] || [ "$l" = . ]; then printf 'Z: .\n'; return 0; fi
    printf 'D: %s\n' "$l"
  done
  return 1
}
send() { printf '%s\r\n' "$1" >&3 2>/dev/null; printf 'C: %s\n' "$1"; }
# Opens a connection, reads the greeting and selects the group.
connect() { printf 'N: connect\n'; exec 3<>"/dev/tcp/127.0.0.1/$port"; }
open_group() {
  connect || return 1
  status || return 1
  send "GROUP $group"; status || return 1
  case $line in 211*) return 0 ;; esac
  return 1
}
close() { send QUIT; status; exec 3<&- 3>&-; }
# The list, the range and the overview on a first connection; then one
# connection per article, so that an article the server fails on (it may
# drop the connection) cannot hide the ones after it.
connect || { fail "cannot connect"; exit 5; }
status || { fail "no greeting"; exit 5; }
send LIST; status || { fail "no answer to LIST"; exit 5; }
case $line in 215*) data || { fail "group list not terminated"; exit 5; } ;; esac
send "GROUP $group"; status || { fail "no answer to GROUP"; exit 5; }
case $line in 211*) ;; *) fail "group not selected"; exit 5 ;; esac
set -- ${line%$'\r'}
first=$3 last=$4
if ! [[ $first =~ ^[0-9]+$ && $last =~ ^[0-9]+$ ]]; then fail "bad GROUP answer"; exit 5; fi
if [ "$last" -ge "$first" ] && [ $((last - first)) -gt 10000 ]; then fail "range too large"; exit 5; fi
if [ "$last" -ge "$first" ] && [ "$last" -gt 0 ]; then
  send "XOVER $first-$last"
  if status; then
    case $line in 224*) data || warn "overview not terminated" ;; esac
  else
    warn "no answer to XOVER"
  fi
fi
close
if [ "$last" -gt 0 ]; then
  for ((n = first; n <= last; n++)); do
    if ! open_group; then warn "cannot select the group for article $n"; exec 3<&- 3>&-; continue; fi
    send "ARTICLE $n"
    if ! status; then warn "connection lost at article $n"; exec 3<&- 3>&-; continue; fi
    case $line in 220*) data || warn "article $n not terminated" ;; esac
    close
  done
fi
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit 0
)SCRIPT";

// unshare arguments that give a private network and PID namespace here, as
// root or through a user namespace; empty when neither works.
struct NamespaceProbe {
  std::vector<std::string> unshare_args;
  std::string failure;
};

const NamespaceProbe& ProbeNamespaces() {
  static const NamespaceProbe probe = [] {
    NamespaceProbe result;
    const std::string unshare = FindProgram("unshare");
    const std::string ip = FindProgram("ip");
    if (unshare.empty()) {
      result.failure = "unshare not installed (Debian package util-linux)";
      return result;
    }
    if (ip.empty()) {
      result.failure = "ip not installed (Debian package iproute2)";
      return result;
    }
    const std::vector<std::vector<std::string>> candidates = {
        {unshare, "--net", "--pid", "--fork", "--kill-child"},
        {unshare, "--map-root-user", "--net", "--pid", "--fork", "--kill-child"}};
    std::string outputs;
    for (const std::vector<std::string>& candidate : candidates) {
      std::vector<std::string> argv = candidate;
      argv.insert(argv.end(), {ip, "link", "set", "lo", "up"});
      const ProgramResult run = RunPeerProgram(argv);
      if (run.exit_code == 0) {
        result.unshare_args = candidate;
        return result;
      }
      outputs += run.output;
    }
    result.failure =
        "no private network namespace for jamnntpd (unshare -n and unshare -rn "
        "failed: " +
        outputs + ")";
    return result;
  }();
  return probe;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

std::vector<std::string> SplitAt(std::string_view text, char separator) {
  std::vector<std::string> parts;
  while (true) {
    const std::size_t at = text.find(separator);
    parts.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

std::optional<std::uint32_t> ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value;
}

// Writes the copy of the base that jamnntpd serves; returns its index record
// count and BaseMsgNum.
struct ServedBase {
  std::size_t index_records = 0;
  std::uint32_t base_msg_num = 1;
};

ServedBase WriteServedBase(const std::string& base_path, const std::string& served_path,
                           IndexView view) {
  JamBaseFiles files = JamBaseFiles::Load(base_path);
  ServedBase served;
  if (const std::optional<JamBaseHeader> header = files.Header()) {
    served.base_msg_num = header->base_msg_num;
  }
  served.index_records = files.jdx.size() / kJamIndexRecordSize;
  if (view == IndexView::kEveryMessage) {
    std::string doubled;
    for (std::size_t i = 0; i < served.index_records; ++i) {
      const std::string record = files.jdx.substr(i * kJamIndexRecordSize, kJamIndexRecordSize);
      doubled += record + record;
    }
    files.jdx = doubled;
    served.index_records *= 2;
    if (files.jhr.size() >= kJamBaseHeaderSize) {
      PutLe32(files.jhr, kJamActiveMsgsOffset, static_cast<std::uint32_t>(served.index_records));
    }
  }
  WriteWholeFile(JamFilePath(served_path, "jhr"), files.jhr);
  WriteWholeFile(JamFilePath(served_path, "jdx"), files.jdx);
  WriteWholeFile(JamFilePath(served_path, "jdt"), files.jdt);
  WriteWholeFile(JamFilePath(served_path, "jlr"), ReadWholeFile(JamFilePath(base_path, "jlr")));
  return served;
}

void ParseArticle(const NntpExchange& exchange, NntpArticle& article) {
  article.status = exchange.status;
  bool in_body = false;
  for (const std::string& line : exchange.data) {
    if (in_body) {
      article.body_lines.push_back(line);
    } else if (line.empty()) {
      in_body = true;
    } else if ((line.front() == ' ' || line.front() == '\t') && !article.headers.empty()) {
      const std::size_t text = line.find_first_not_of(" \t");
      if (text != std::string::npos) article.headers.back().second += " " + line.substr(text);
    } else {
      const std::size_t colon = line.find(':');
      std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
      if (!value.empty() && value.front() == ' ') value.erase(0, 1);
      article.headers.emplace_back(line.substr(0, colon), value);
    }
  }
}

}  // namespace

std::optional<std::string> NntpArticle::Header(std::string_view name) const {
  for (const auto& [header_name, value] : headers) {
    if (EqualIgnoringCase(header_name, name)) return value;
  }
  return std::nullopt;
}

std::string JamnntpdPeer::UnavailableReason() {
  if (FindProgram("jamnntpd").empty()) return "jamnntpd not installed (Debian package jamnntpd)";
  if (FindProgram("bash").empty()) return "bash not installed (Debian package bash)";
  return ProbeNamespaces().failure;
}

JamnntpdPeer::JamnntpdPeer(std::string work_dir) : work_dir_(std::move(work_dir)) {
  fs::create_directories(work_dir_);
}

NntpReading JamnntpdPeer::Read(const std::string& base_path, IndexView view) {
  NntpReading reading;
  const std::string reason = UnavailableReason();
  if (!reason.empty()) {
    reading.error = reason;
    return reading;
  }
  const std::string session_dir = work_dir_ + "/session" + std::to_string(++session_count_);
  fs::create_directories(session_dir);
  const std::string served_path = session_dir + "/base";
  const ServedBase served = WriteServedBase(base_path, served_path, view);

  WriteWholeFile(session_dir + "/groups",
                 std::string(kGroup) + " A " + kAka + " " + served_path + "\n");
  WriteWholeFile(session_dir + "/allow", "127.0.0.1 * -\n");
  WriteWholeFile(session_dir + "/users", "");
  WriteWholeFile(session_dir + "/xlat", "read * unknown-8bit\npost * \"\"\n");
  WriteWholeFile(session_dir + "/session.sh", kSessionScript);

  std::vector<std::string> argv = ProbeNamespaces().unshare_args;
  argv.insert(argv.end(), {FindProgram("bash"), session_dir + "/session.sh", std::to_string(kPort),
                           session_dir, FindProgram("jamnntpd"), FindProgram("ip"), kGroup});
  const ProgramResult run = RunPeerProgram(argv);
  reading.transcript = run.output;
  reading.server_log =
      ReadWholeFile(session_dir + "/jamnntpd.log") + ReadWholeFile(session_dir + "/jamnntpd.out");
  const NntpTranscript transcript = ParseNntpTranscript(run.output);
  reading.warnings = transcript.warnings;
  if (run.exit_code != 0 || !transcript.errors.empty()) {
    reading.error = "NNTP session failed (exit " + std::to_string(run.exit_code) + ")";
    for (const std::string& error : transcript.errors)
      reading.error += "; " + error;
    return reading;
  }

  // The article range tells how the server walks the index.
  std::optional<std::uint32_t> last;
  std::map<std::uint32_t, NntpOverview> overviews;
  for (const NntpExchange& exchange : transcript.exchanges) {
    if (exchange.command.rfind("GROUP ", 0) == 0 && !last) {
      const std::vector<std::string> words = SplitAt(exchange.status, ' ');
      if (words.size() >= 4) last = ParseNumber(words[3]);
    } else if (exchange.command.rfind("XOVER ", 0) == 0) {
      for (const std::string& line : exchange.data) {
        std::vector<std::string> fields = SplitAt(line, '\t');
        fields.resize(std::max<std::size_t>(fields.size(), 8));
        if (const std::optional<std::uint32_t> number = ParseNumber(fields[0])) {
          overviews[*number] = {fields[1], fields[2], fields[3], fields[4],
                                fields[5], fields[6], fields[7]};
        }
      }
    }
  }
  if (!last) {
    reading.error = "no article range in the GROUP answer";
    return reading;
  }
  const std::uint32_t base = served.base_msg_num;
  const std::size_t span = *last >= base ? *last - base + 1 : 0;
  const std::size_t records = served.index_records;
  const bool steps_8 = span == records;
  const bool steps_16 = span == records / 2 && (records > 0 || span == 0);
  if (!steps_8 && !steps_16) {
    reading.error = "article range up to " + std::to_string(*last) + " does not fit " +
                    std::to_string(records) + " index records";
    return reading;
  }
  reading.index_stepping_defect = !steps_8;

  for (const NntpExchange& exchange : transcript.exchanges) {
    if (exchange.command.rfind("ARTICLE ", 0) != 0) continue;
    NntpArticle article;
    article.article_number = ParseNumber(exchange.command.substr(8)).value_or(0);
    if (article.article_number < base) continue;
    // Position of the index record the server read, in the served copy.
    std::size_t position = article.article_number - base;
    if (reading.index_stepping_defect) position *= 2;
    if (view == IndexView::kEveryMessage) {
      if (position % 2 != 0) continue;  // the second copy of a record
      position /= 2;
    }
    article.jam_message_number = base + static_cast<std::uint32_t>(position);
    if (const auto overview = overviews.find(article.article_number); overview != overviews.end()) {
      article.overview = overview->second;
    }
    if (NntpStatusCode(exchange.status) == 220 && exchange.data_complete) {
      ParseArticle(exchange, article);
      reading.articles.push_back(std::move(article));
    } else {
      article.status = exchange.status;
      reading.refused.push_back(std::move(article));
    }
  }
  reading.ok = true;
  return reading;
}

}  // namespace kestrel::testing
