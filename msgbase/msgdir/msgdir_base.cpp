// The area as a whole: opening, creating and closing, the directory scan and
// navigation over the number set.
#include "msgbase/msgdir/msgdir_base.h"

#include <algorithm>
#include <string_view>

#include "msgbase/crc32.h"
#include "msgbase/dir_search.h"
#include "msgbase/file_functions.h"
#include "msgbase/msgdir/msgdir_errors.h"
#include "msgbase/stream_hooks.h"
#include "msgbase/string_functions.h"
#include "platform/file_system.h"

namespace kestrel {
namespace {

constexpr char kSeparator = '\\';
constexpr char kMessagePattern[] = "*.MSG";
constexpr char kMessageExtension[] = ".MSG";
// Read-only and archive files as well as normal ones; no directories, so a
// directory named like a message is never taken for one.
constexpr std::uint32_t kMessageSearchMask = 0x21;
// The same, and directories: they only tell of other spellings of a name.
constexpr std::uint32_t kDirectoryAttribute = 0x10;
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

// The message number a file name stands for: the characters before its
// first full stop as a decimal number (leading spaces skipped). 0 when they
// are not a number that fits, or not above 0 (README.MSG, 0.MSG).
std::int32_t NumberOfName(const std::string& name) {
  const std::string_view stem = std::string_view(name).substr(0, name.find('.'));
  std::int32_t value = 0;
  if (!StrToInt32(stem, value) || value <= 0) return 0;
  return value;
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
  if (!DirExists(path)) {
    SetLastError(MsgDirErrorNoDirectory);
    return false;
  }
  ScanNumbers();
  SetOpened(true);
  return true;
}

bool MsgDirBase::CreateMsgBase(const std::string& path) {
  NormalisePath(path);
  if (!ForceDirectories(GetBasePath())) {
    SetLastError(MsgDirErrorNoDirectory);
    return false;
  }
  ScanNumbers();
  SetOpened(true);
  return true;
}

bool MsgDirBase::MsgBaseExists(const std::string& path) {
  return DirExists(path);
}

void MsgDirBase::CloseMsgBase() {
  SetBasePath("");
  directory_spelling_.clear();
  SetOpened(false);
}

void MsgDirBase::ScanNumbers() {
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
      return;
    }
  }

  std::unique_ptr<DirSearch> search = NewDirSearch();
  if (search == nullptr) return;
  bool found =
      search->FindFirst(GetBasePath() + kMessagePattern, kMessageSearchMask | kDirectoryAttribute);
  while (found) {
    const std::string& name = search->Name();
    const std::int32_t number = NumberOfName(name);
    if (number > 0) {
      const std::string lower = IntToStr(number) + kLowerCaseExtension;
      if ((search->Attr() & kDirectoryAttribute) == 0) {
        listing_.numbers.Record(number);
        if (number > listing_.highest) listing_.highest = number;
        if (name == lower) listing_.lower_case_names.Record(number);
      }
      if (name != lower && EqualIgnoringAsciiCase(name, lower))
        listing_.other_spellings.Record(number);
    }
    found = search->FindNext();
  }
  search->FindClose();

  platform::DirectoryStamp after;
  if (stamped &&
      platform::GetDirectoryStamp(directory_spelling_, after) == platform::dos_error::kNone &&
      after == before) {
    KeepListing(directory_spelling_, before, listing_);
  }
}

std::string MsgDirBase::FileNameToOpen(std::int32_t num) {
  if (directory_spelling_.empty() || !listing_.lower_case_names.Contains(num) ||
      listing_.other_spellings.Contains(num)) {
    return MessageFileName(num);
  }
  return directory_spelling_ + IntToStr(num) + kLowerCaseExtension;
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
