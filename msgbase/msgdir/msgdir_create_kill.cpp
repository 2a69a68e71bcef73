// Giving out the number and the file of a new message, and deleting one.
#include <limits>

#include "msgbase/io/file_functions.h"
#include "msgbase/io/file_stream.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/msgdir/msgdir_base.h"
#include "platform/file_system.h"

namespace kestrel {
namespace {

// How many numbers CreateMsg tries when the files of the next numbers keep
// turning out to exist (another program writing into the area). Bounds the
// search, so a directory being filled as fast as it is read cannot hold it
// forever.
constexpr int kMaxCreateAttempts = 4096;

}  // namespace

bool MsgDirBase::CreateNextMessageFile() {
  for (int attempt = 0; attempt < kMaxCreateAttempts; ++attempt) {
    // The highest number never goes down, so a number is never given out
    // twice while this object lives; past the largest number there is none.
    if (listing_.highest == std::numeric_limits<std::int32_t>::max()) return false;
    const std::int32_t number = listing_.highest + 1;
    listing_.highest = number;
    SetMsgNum(number);
    listing_.numbers.Record(number);
    // The number set reflects the directory at the time of the scan; another
    // program may have written this number's file since. Creating the file
    // only when it does not exist never destroys that message; its number
    // stays recorded (the message is there) and the next one is tried.
    const std::string name = MessageFileName(number);
    platform::DirectoryStamp before;
    const bool stamped =
        !directory_spelling_.empty() &&
        platform::GetDirectoryStamp(directory_spelling_, before) == platform::dos_error::kNone;
    std::unique_ptr<BaseStream> file = NewFile(name, kFileCreateNew);
    if (file != nullptr && file->Status() == StOk) {
      message_file_ = std::move(file);
      // A new file is named in lower case: "<number>.msg".
      platform::DirectoryStamp after;
      if (stamped &&
          platform::GetDirectoryStamp(directory_spelling_, after) == platform::dos_error::kNone) {
        NoteMessageFileCreated(directory_spelling_, before, after, number);
      } else {
        ForgetListing(directory_spelling_);
      }
      return true;
    }
    file.reset();
    // Another program's file, which the listing did not hold.
    ForgetListing(directory_spelling_);
    if (!FileExists(name)) return false;  // failed for another reason
  }
  return false;
}

bool MsgDirBase::CreateMsg() {
  if (message_file_ != nullptr) CloseMsg();
  if (!CreateNextMessageFile()) return false;
  std::unique_ptr<BaseStream> text = NewMemStream(MemStreamHint);
  if (text == nullptr || text->Status() != StOk) {
    message_file_.reset();
    SetTextStream(nullptr);
    return false;
  }
  SetTextStream(std::move(text));
  header_only_ = false;
  header_.Clear();
  SetDatesNow();
  return true;
}

bool MsgDirBase::KillMsg() {
  const std::int32_t number = GetMsgNum();
  if (!MsgExists(number)) return false;
  if (!DeleteFile(FileNameToOpen(number)) &&
      (FileNameToOpen(number) == MessageFileName(number) || !DeleteFile(MessageFileName(number)))) {
    return false;
  }
  listing_.numbers.Remove(number);
  listing_.lower_case_names.Remove(number);
  listing_.other_case_names.erase(number);
  ForgetListing(directory_spelling_);
  // The deletion is durable before the next message is copied: one that a
  // power cut took back would have that message moved a second time.
  return platform::FlushDirectoryBuffers(GetBasePath()) == platform::dos_error::kNone;
}

}  // namespace kestrel
