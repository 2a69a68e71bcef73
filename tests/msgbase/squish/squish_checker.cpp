#include "tests/msgbase/squish/squish_checker.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace kestrel::testing {

namespace {

constexpr std::uint32_t kHeaderSize = 256;
constexpr std::uint32_t kFrameHeader = 28;
constexpr std::uint32_t kMessageHeader = 238;
constexpr std::uint32_t kId = 0xAFAE4453;

struct Frame {
  std::uint32_t next = 0;
  std::uint32_t prev = 0;
  std::uint32_t length = 0;
  std::uint32_t message_length = 0;
  std::uint32_t control_length = 0;
  std::uint16_t type = 0;
};

class Checker {
 public:
  Checker(std::string_view sqd, std::string_view sqi, const SquishCheckOptions& options,
          SquishCheckReport& report)
      : sqd_(sqd), sqi_(sqi), options_(options), report_(report) {}

  void Run() {
    if (sqd_.size() < kHeaderSize) return Problem("data file shorter than its base header");
    end_of_data_ = GetLe32(sqd_, 120);
    if (GetLe16(sqd_, 0) != kHeaderSize) Problem("header length field is not 256");
    if (end_of_data_ != sqd_.size())
      Problem("end of data " + Num(end_of_data_) + " but file size " + Num(sqd_.size()));
    report_.message_frames = WalkChain("message", GetLe32(sqd_, 104), GetLe32(sqd_, 108), 0);
    report_.free_frames = WalkChain("free", GetLe32(sqd_, 112), GetLe32(sqd_, 116), 1);
    message_set_.insert(report_.message_frames.begin(), report_.message_frames.end());
    for (const std::uint32_t offset : report_.free_frames) {
      if (message_set_.count(offset) != 0) Problem("frame " + Num(offset) + " is in both chains");
    }
    CheckIndex();
    if (options_.frames_end_to_end) CheckEndToEnd();
  }

 private:
  void Problem(const std::string& text) { report_.problems.push_back(text); }
  static std::string Num(std::uint64_t n) { return std::to_string(n); }

  bool ReadFrame(std::uint32_t offset, Frame& frame) {
    if (offset < kHeaderSize || std::uint64_t{offset} + kFrameHeader > sqd_.size()) return false;
    if (GetLe32(sqd_, offset) != kId) return false;
    frame.next = GetLe32(sqd_, offset + 4);
    frame.prev = GetLe32(sqd_, offset + 8);
    frame.length = GetLe32(sqd_, offset + 12);
    frame.message_length = GetLe32(sqd_, offset + 16);
    frame.control_length = GetLe32(sqd_, offset + 20);
    frame.type = GetLe16(sqd_, offset + 24);
    return true;
  }

  std::vector<std::uint32_t> WalkChain(const std::string& name, std::uint32_t first,
                                       std::uint32_t last, std::uint16_t type) {
    std::vector<std::uint32_t> frames;
    std::set<std::uint32_t> seen;
    std::uint32_t prev = 0;
    for (std::uint32_t at = first; at != 0;) {
      Frame frame;
      if (!seen.insert(at).second) {
        Problem(name + " chain loops back to " + Num(at));
        break;
      }
      if (!ReadFrame(at, frame)) {
        Problem(name + " chain reaches " + Num(at) + ", which is no frame");
        break;
      }
      frames.push_back(at);
      if (frame.type != type)
        Problem(name + " chain frame " + Num(at) + " has type " + Num(frame.type));
      if (frame.prev != prev) Problem(name + " chain frame " + Num(at) + " does not link back");
      if (std::uint64_t{at} + kFrameHeader + frame.length > end_of_data_)
        Problem(name + " chain frame " + Num(at) + " reaches past the end of data");
      if (type == 0) CheckMessageFrame(at, frame);
      prev = at;
      at = frame.next;
    }
    if (prev != last)
      Problem(name + " chain ends at " + Num(prev) + " but header says " + Num(last));
    // Backwards from the tail the same frames must come, in reverse.
    std::vector<std::uint32_t> backwards;
    std::set<std::uint32_t> seen_back;
    std::uint32_t next = 0;
    for (std::uint32_t at = last; at != 0;) {
      Frame frame;
      if (!seen_back.insert(at).second || !ReadFrame(at, frame)) break;
      if (frame.next != next) Problem(name + " chain frame " + Num(at) + " does not link forward");
      backwards.push_back(at);
      next = at;
      at = frame.prev;
    }
    std::reverse(backwards.begin(), backwards.end());
    if (backwards != frames) Problem(name + " chain differs when walked backwards");
    return frames;
  }

  void CheckMessageFrame(std::uint32_t at, const Frame& frame) {
    const std::string where = "message frame " + Num(at);
    if (frame.message_length > frame.length) Problem(where + ": message longer than its frame");
    if (std::uint64_t{kMessageHeader} + frame.control_length + 1 > frame.message_length) {
      Problem(where + ": control information does not fit the message");
      return;
    }
    if (frame.control_length == 0) {
      Problem(where + ": control information without its closing 0");
      return;
    }
    const std::uint64_t start = std::uint64_t{at} + kFrameHeader;
    if (start + frame.message_length > sqd_.size()) return;  // reported as past the end
    if (sqd_[start + kMessageHeader + frame.control_length - 1] != '\0')
      Problem(where + ": control information does not end with 0");
    if (sqd_[start + frame.message_length - 1] != '\0')
      Problem(where + ": text does not end with 0");
  }

  void CheckIndex() {
    if (sqi_.size() % 12 != 0) Problem("index size " + Num(sqi_.size()) + " is no multiple of 12");
    const std::uint32_t next_uid = GetLe32(sqd_, 20);
    std::set<std::uint32_t> offsets;
    for (std::size_t at = 0; at + 12 <= sqi_.size(); at += 12) {
      const std::uint32_t offset = GetLe32(sqi_, at);
      const std::uint32_t uid = GetLe32(sqi_, at + 4);
      const std::uint32_t hash = GetLe32(sqi_, at + 8);
      const std::string where = "index record " + Num(at / 12);
      if (!report_.unique_ids.empty() && uid <= report_.unique_ids.back())
        Problem(where + ": unique id " + Num(uid) + " does not rise");
      report_.unique_ids.push_back(uid);
      if (uid == 0 || uid >= next_uid) Problem(where + ": unique id " + Num(uid) + " out of range");
      if (!offsets.insert(offset).second) Problem(where + ": frame shared with another record");
      if (message_set_.count(offset) == 0)
        Problem(where + ": frame " + Num(offset) + " is not in the message chain");
      Frame frame;
      if (!ReadFrame(offset, frame) || frame.type != 0) {
        Problem(where + ": frame " + Num(offset) + " is no message frame");
        continue;
      }
      const std::uint64_t header = std::uint64_t{offset} + kFrameHeader;
      if (header + kMessageHeader > sqd_.size()) continue;
      if (GetLe32(sqd_, header + 214) != uid) Problem(where + ": message header has another id");
      std::string_view to = sqd_.substr(header + 40, 36);
      to = to.substr(0, std::min(to.find('\0'), to.size()));
      if (hash != ReferenceSquishHash(to)) Problem(where + ": hash does not match the recipient");
    }
    const std::size_t records = sqi_.size() / 12;
    if (records != report_.message_frames.size())
      Problem(Num(records) + " index records but " + Num(report_.message_frames.size()) +
              " message frames");
    if (options_.header_counts && GetLe32(sqd_, 4) != records)
      Problem("header counts " + Num(GetLe32(sqd_, 4)) + " messages, index " + Num(records));
  }

  void CheckEndToEnd() {
    std::set<std::uint32_t> chained(report_.message_frames.begin(), report_.message_frames.end());
    chained.insert(report_.free_frames.begin(), report_.free_frames.end());
    std::uint64_t at = kHeaderSize;
    while (at < end_of_data_) {
      Frame frame;
      if (!ReadFrame(static_cast<std::uint32_t>(at), frame)) {
        Problem("no frame at " + Num(at) + " between the frames");
        return;
      }
      if (chained.count(static_cast<std::uint32_t>(at)) == 0)
        Problem("frame " + Num(at) + " is in no chain");
      at += kFrameHeader + std::uint64_t{frame.length};
    }
    if (at != end_of_data_) Problem("frames run past the end of data");
  }

  std::string_view sqd_;
  std::string_view sqi_;
  SquishCheckOptions options_;
  SquishCheckReport& report_;
  std::uint64_t end_of_data_ = 0;
  std::set<std::uint32_t> message_set_;
};

}  // namespace

std::string SquishCheckReport::Describe() const {
  std::ostringstream out;
  for (const std::string& problem : problems)
    out << problem << '\n';
  return out.str();
}

SquishCheckReport CheckSquishBytes(std::string_view sqd, std::string_view sqi,
                                   const SquishCheckOptions& options) {
  SquishCheckReport report;
  Checker(sqd, sqi, options, report).Run();
  return report;
}

SquishCheckReport CheckSquishBase(const std::string& base, const SquishCheckOptions& options) {
  return CheckSquishBytes(ReadAnyCase(base + ".sqd"), ReadAnyCase(base + ".sqi"), options);
}

std::string FindAnyCase(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(path, error)) return path;
  const fs::path wanted(path);
  const auto fold = [](std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
  };
  const std::string name = fold(wanted.filename().string());
  std::vector<std::string> matches;
  for (const auto& entry : fs::directory_iterator(wanted.parent_path(), error)) {
    if (fold(entry.path().filename().string()) == name) matches.push_back(entry.path().string());
  }
  std::sort(matches.begin(), matches.end());
  return matches.empty() ? "" : matches.front();
}

std::string ReadAnyCase(const std::string& path) {
  const std::string found = FindAnyCase(path);
  return found.empty() ? "" : ReadWholeFile(found);
}

std::uint32_t ReferenceSquishHash(std::string_view name) {
  std::uint32_t hash = 0;
  for (const unsigned char c : name) {
    const unsigned char lower = (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
    hash = (hash << 4) + lower;
    if (const std::uint32_t top = hash & 0xF0000000u; top != 0) hash |= top | (top >> 24);
  }
  return hash & 0x7FFFFFFFu;
}

}  // namespace kestrel::testing
