// The area as a whole: opening, creating and closing, the directory scan and
// navigation over the number set.
#include "msgbase/msgdir/msgdir_base.h"

#include <string_view>

#include "msgbase/dir_search.h"
#include "msgbase/file_functions.h"
#include "msgbase/msgdir/msgdir_errors.h"
#include "msgbase/stream_hooks.h"
#include "msgbase/string_functions.h"

namespace kestrel {
namespace {

constexpr char kSeparator = '\\';
constexpr char kMessagePattern[] = "*.MSG";
constexpr char kMessageExtension[] = ".MSG";
// Read-only and archive files as well as normal ones; no directories, so a
// directory named like a message is never taken for one.
constexpr std::uint32_t kMessageSearchMask = 0x21;

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
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
  ForceDirectories(GetBasePath());
  ScanNumbers();
  SetOpened(true);
  return true;
}

bool MsgDirBase::MsgBaseExists(const std::string& path) {
  return DirExists(path);
}

void MsgDirBase::CloseMsgBase() {
  SetBasePath("");
  SetOpened(false);
}

void MsgDirBase::ScanNumbers() {
  numbers_.Clear();
  highest_ = 0;
  std::unique_ptr<DirSearch> search = NewDirSearch();
  if (search == nullptr) return;
  bool found = search->FindFirst(GetBasePath() + kMessagePattern, kMessageSearchMask);
  while (found) {
    const std::int32_t number = NumberOfName(search->Name());
    if (number > 0) {
      numbers_.Record(number);
      if (number > highest_) highest_ = number;
    }
    found = search->FindNext();
  }
  search->FindClose();
}

std::string MsgDirBase::MessageFileName(std::int32_t num) {
  return GetBasePath() + IntToStr(num) + kMessageExtension;
}

bool MsgDirBase::MsgExists(std::int32_t num) {
  return numbers_.Contains(num);
}

void MsgDirBase::SeekNext() {
  SetMsgNum(numbers_.NextAfter(GetMsgNum(), GetHighMsgNum()));
}

void MsgDirBase::SeekPrior() {
  SetMsgNum(numbers_.PriorBefore(GetMsgNum()));
}

std::int32_t MsgDirBase::GetMsgUid() {
  return GetMsgNum();
}

void MsgDirBase::SeekMsgUid(std::int32_t uid) {
  SetMsgNum(uid);
}

std::int32_t MsgDirBase::GetHighMsgNum() {
  return highest_;
}

std::int32_t MsgDirBase::GetMsgCount() {
  return numbers_.Count();
}

}  // namespace kestrel
