// The area as a whole: opening, creating and closing, the directory scan and
// navigation over the number set.
#include "msgbase/msgdir/msgdir_base.h"

#include <algorithm>
#include <string_view>

#include "msgbase/fido/crc32.h"
#include "msgbase/fido/string_functions.h"
#include "msgbase/io/dir_search.h"
#include "msgbase/io/file_functions.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/msgdir/msgdir_errors.h"
#include "platform/file_system.h"

namespace kestrel {
namespace {

constexpr char kSeparator = '\\';
constexpr char kMessagePattern[] = "*.MSG";
constexpr char kMessageExtension[] = ".MSG";
constexpr char kLowerCaseExtension[] = ".msg";

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// Whether a path has a "." or ".." component, which full-path expansion
// folds by the text where the system would follow links.
bool HasDotComponent(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end]))
      ++end;
    const std::string_view part = path.substr(start, end - start);
    if (part == "." || part == "..") return true;
    start = end + 1;
  }
  return false;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// Digits of the largest number a message name can give (2^31 - 1).
constexpr std::size_t kMaxNumberDigits = 10;

// What a name found by the search for *.MSG stands for.
struct MessageName {
  // Above 0 for a message's own name: a decimal number without sign, spaces
  // or leading zeros, then ".msg" in any case. Numbers past the 32-bit
  // range count as kBeyondAnyNumber.
  std::int64_t number = 0;
  // The part before the first full stop reads as a number above 0, as old
  // software took such names (" 17.msg", "00017.msg", "17.5.msg").
  bool looks_like_message = false;
};
constexpr std::int64_t kBeyondAnyNumber = std::int64_t{1} << 31;

MessageName ParseMessageName(const std::string& name) {
  MessageName result;
  const std::size_t dot = name.find('.');
  const std::string_view stem = std::string_view(name).substr(0, dot);
  std::int32_t value = 0;
  result.looks_like_message = StrToInt32(stem, value) && value > 0;
  const bool digits_only = !stem.empty() && std::all_of(stem.begin(), stem.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
  if (!digits_only || stem[0] == '0' || dot == std::string::npos ||
      !EqualIgnoringAsciiCase(std::string_view(name).substr(dot), kLowerCaseExtension)) {
    return result;
  }
  result.looks_like_message = true;
  result.number = stem.size() > kMaxNumberDigits ? kBeyondAnyNumber : 0;
  for (std::size_t i = 0; i < stem.size() && result.number < kBeyondAnyNumber; ++i)
    result.number = std::min(result.number * 10 + (stem[i] - '0'), kBeyondAnyNumber);
  return result;
}

}  // namespace

MsgDirBase::MsgDirBase() = default;

MsgDirBase::~MsgDirBase() {
  if (message_file_ != nullptr) CloseMsg();
  CloseMsgBase();
}

void MsgDirBase::NormalisePath(const std::string& path) {
  SetOpened(false);
  directory_spelling_.clear();
  // "/" ends a path as well as "\": both separate components here.
  SetBasePath(EndsWithSeparator(path) ? path : path + kSeparator);
}

bool MsgDirBase::OpenMsgBase(const std::string& path) {
  NormalisePath(path);
  // A directory that cannot be listed (no handle left, no permission) is
  // not opened as an empty area.
  if (!IsDirectory(path) || !ScanNumbers()) {
    SetLastError(msgdir::kErrorNoDirectory);
    return false;
  }
  SetOpened(true);
  return true;
}

bool MsgDirBase::CreateMsgBase(const std::string& path) {
  NormalisePath(path);
  if (!ForceDirectories(GetBasePath())) {
    SetLastError(msgdir::kErrorNoDirectory);
    return false;
  }
  ScanNumbers();
  SetOpened(true);
  return true;
}

bool MsgDirBase::MsgBaseExists(const std::string& path) {
  return IsDirectory(path);
}

void MsgDirBase::CloseMsgBase() {
  SetBasePath("");
  directory_spelling_.clear();
  SetOpened(false);
}

bool MsgDirBase::ScanNumbers() {
  listing_ = MsgDirListing{};
  directory_spelling_.clear();
  if (!HasDotComponent(GetBasePath())) directory_spelling_ = ExpandFileName(GetBasePath());
  // An unchanged directory listed before in this run is not listed again.
  platform::DirectoryStamp before;
  const bool stamped =
      !directory_spelling_.empty() &&
      platform::GetDirectoryStamp(directory_spelling_, before) == platform::dos_error::kNone;
  if (stamped) {
    if (const MsgDirListing* kept = FindKeptListing(directory_spelling_, before)) {
      listing_ = *kept;
      return true;
    }
  }

  // Names and kinds only: a message's attributes, time and size are not
  // needed to list it, and asking for them would cost a call per entry.
  // Hidden entries (names beginning with a dot) are not listed, as a search
  // without the hidden attribute in its mask leaves them out.
  const platform::DosError listed = platform::ListEntryKinds(
      GetBasePath(), kMessagePattern, [this](std::string_view name, bool regular) {
        if (!name.empty() && name[0] != '.') ListEntry(std::string(name), regular);
      });
  if (listed != platform::dos_error::kNone) return false;

  platform::DirectoryStamp after;
  if (stamped &&
      platform::GetDirectoryStamp(directory_spelling_, after) == platform::dos_error::kNone &&
      after == before) {
    KeepListing(directory_spelling_, before, listing_);
  }
  return true;
}

void MsgDirBase::ListEntry(const std::string& name, bool regular_file) {
  const MessageName parsed = ParseMessageName(name);
  // Only a regular file with a message's own name is a message: a link could
  // lead anywhere (to a file its owner never meant to be copied), and a name
  // such as 00017.msg would be opened as 17.msg, which is another file.
  if (parsed.number <= 0 || !regular_file) {
    if (parsed.looks_like_message) ++listing_.skipped;
    return;
  }
  if (parsed.number >= kMsgNumberLimit) ++listing_.beyond_limit;
  if (parsed.number >= kBeyondAnyNumber) return;
  const auto number = static_cast<std::int32_t>(parsed.number);
  if (listing_.numbers.Contains(number)) listing_.other_spellings.Record(number);
  listing_.numbers.Record(number);
  if (number > listing_.highest) listing_.highest = number;
  if (name == IntToStr(number) + kLowerCaseExtension) {
    listing_.lower_case_names.Record(number);
  } else {
    listing_.other_case_names.emplace(number, name);
  }
}

std::string MsgDirBase::FileNameToOpen(std::int32_t num) {
  if (directory_spelling_.empty() || listing_.other_spellings.Contains(num)) {
    return MessageFileName(num);
  }
  if (listing_.lower_case_names.Contains(num)) {
    return directory_spelling_ + IntToStr(num) + kLowerCaseExtension;
  }
  const auto other_case = listing_.other_case_names.find(num);
  if (other_case != listing_.other_case_names.end()) {
    return directory_spelling_ + other_case->second;
  }
  return MessageFileName(num);
}

std::string MsgDirBase::MessageFileName(std::int32_t num) {
  return GetBasePath() + IntToStr(num) + kMessageExtension;
}

bool MsgDirBase::MsgExists(std::int32_t num) {
  return listing_.numbers.Contains(num);
}

void MsgDirBase::SeekNext() {
  SetMsgNum(listing_.numbers.NextAfter(GetMsgNum(), GetHighMsgNum()));
}

void MsgDirBase::SeekPrior() {
  SetMsgNum(listing_.numbers.PriorBefore(GetMsgNum()));
}

std::int32_t MsgDirBase::GetMsgUid() {
  return GetMsgNum();
}

void MsgDirBase::SeekMsgUid(std::int32_t uid) {
  SetMsgNum(uid);
}

std::int32_t MsgDirBase::GetHighMsgNum() {
  return listing_.highest;
}

std::int32_t MsgDirBase::GetMsgCount() {
  return listing_.numbers.Count();
}

}  // namespace kestrel
