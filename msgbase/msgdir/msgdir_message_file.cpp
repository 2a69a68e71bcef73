// Reading and writing the file of one message: OpenMsg, OpenMsgHeader,
// CloseMsg, WriteMsg and RewriteHeader.
#include <vector>

#include "msgbase/io/file_stream.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/msgdir/msg_stream_copy.h"
#include "msgbase/msgdir/msgdir_base.h"
#include "msgbase/msgdir/msgdir_errors.h"
#include "msgbase/text/message_text.h"
#include "msgbase/text/text_characters.h"

namespace kestrel {
namespace {

constexpr std::int32_t kHeaderBytes = static_cast<std::int32_t>(msgdir::kMsgHeaderSize);

bool Usable(const std::unique_ptr<BaseStream>& stream) {
  return stream != nullptr && stream->Status() == StOk;
}

}  // namespace

bool MsgDirBase::OpenMessageFile() {
  SetTextTooLarge(false);
  SetMsgReadOnly(false);
  if (!MsgExists(GetMsgNum())) {
    SetLastError(msgdir::kErrorNoSuchMessage);
    return false;
  }
  if (message_file_ != nullptr) CloseMsg();

  std::unique_ptr<BaseStream> file = OpenCurrentFile(kFileOpenReadWrite);
  // A message that cannot be written (a read-only file, a read-only file
  // system, another account's file) can still be read and copied; writing
  // it back or deleting it then fails on its own.
  if (file == nullptr) {
    file = OpenCurrentFile(kFileOpenRead);
    SetMsgReadOnly(file != nullptr);
  }
  if (file == nullptr) {
    SetLastError(msgdir::kErrorCannotOpen);
    return false;
  }
  std::unique_ptr<BaseStream> text = NewMemStream(MemStreamHint);
  if (!Usable(text)) {
    SetTextStream(nullptr);
    SetLastError(msgdir::kErrorCannotOpen);
    return false;
  }
  SetTextStream(std::move(text));
  message_file_ = std::move(file);
  header_only_ = false;

  // A file whose size cannot be told (past 2 GiB) is not read as an empty
  // message: that would pass for a message without text. It is too large,
  // as is one whose text is beyond what a message may hold in memory.
  const std::int32_t size = message_file_->GetSize();
  opened_size_ = size;
  if (size < 0 || message_file_->Status() != StOk || size - kHeaderBytes > kMaxTextSize) {
    CloseMsg();
    SetTextTooLarge(true);
    SetLastError(msgdir::kErrorCannotOpen);
    return false;
  }
  // A file shorter than the header reads as a header of zeros and an empty
  // text; the short read leaves the stream failed, so it is reset for later
  // writes.
  message_file_->Seek(0);
  message_file_->Read(header_.Bytes(), static_cast<std::uint16_t>(msgdir::kMsgHeaderSize));
  if (size < kHeaderBytes) {
    header_.Clear();
    message_file_->Reset();
  } else if (message_file_->Status() != StOk) {
    CloseMsg();
    SetLastError(msgdir::kErrorCannotOpen);
    return false;
  }
  return true;
}

std::unique_ptr<BaseStream> MsgDirBase::OpenCurrentFile(std::uint32_t mode) {
  const std::string listed = FileNameToOpen(GetMsgNum());
  std::unique_ptr<BaseStream> file = NewFile(listed, mode);
  // The file may have been renamed since the listing: its name as the file
  // layer looks it up decides.
  if (!Usable(file) && listed != MessageFileName(GetMsgNum())) {
    file.reset();
    file = NewFile(MessageFileName(GetMsgNum()), mode);
  }
  if (!Usable(file)) file.reset();
  return file;
}

bool MsgDirBase::ReadWholeText() {
  BaseStream& file = *message_file_;
  BaseStream& text = *GetTextStream();
  const std::int32_t size = opened_size_;
  if (size <= kHeaderBytes) return true;
  const std::int32_t count = size - kHeaderBytes;
  file.Seek(kHeaderBytes);
  CopyStreamBytes(file, text, count);
  if (file.Status() != StOk) return false;
  // The closing 0 is not part of the text. A file that lacks it (written by
  // a program that omits it, or cut short) keeps its whole text.
  text.Seek(count - 1);
  char last = 1;
  text.Read(&last, 1);
  if (last == '\0') {
    text.Seek(count - 1);
    text.Truncate();
  }
  text.Seek(0);
  return true;
}

void MsgDirBase::ReadLeadingKludges() {
  BaseStream& file = *message_file_;
  if (opened_size_ <= kHeaderBytes) return;
  file.Seek(kHeaderBytes);
  // The line reader works on the open file, which stays open and owned
  // here.
  MessageText file_text(file);
  std::vector<char> line(LineBufferSize);
  while (!file_text.AtEnd()) {
    file_text.ReadLine(line.data(), LineBufferSize);
    if (line[0] != kKludgeMark) break;
    PutTextLineZ(line.data());
  }
  GetTextStream()->Seek(0);
}

bool MsgDirBase::OpenMsg() {
  if (!OpenMessageFile()) return false;
  if (!ReadWholeText()) {
    CloseMsg();
    SetLastError(msgdir::kErrorCannotOpen);
    return false;
  }
  return true;
}

bool MsgDirBase::OpenMsgHeader() {
  if (!OpenMessageFile()) return false;
  ReadLeadingKludges();
  header_only_ = true;
  return true;
}

bool MsgDirBase::CloseMsg() {
  if (message_file_ == nullptr) {
    SetLastError(msgdir::kErrorNotOpen);
    return false;
  }
  message_file_.reset();
  SetTextStream(nullptr);
  header_only_ = false;
  return true;
}

bool MsgDirBase::WriteMsg() {
  // After OpenMsgHeader the text holds only the leading kludge lines:
  // writing it would cut the body off the file.
  if (message_file_ == nullptr || header_only_ || GetTextStream() == nullptr) return false;
  BaseStream& file = *message_file_;
  BaseStream& text = *GetTextStream();
  file.Reset();
  // The text and its closing 0 go first, the header last: a new file, cut
  // short by a crash or a full disk, then holds a header of zeros (no sender,
  // no recipient, no subject) and never passes for a message with a cut text.
  file.Seek(kHeaderBytes);
  text.Seek(0);
  CopyStreamBytes(text, file, text.GetSize());
  const char closing_zero = '\0';
  file.Write(&closing_zero, 1);
  file.Truncate();
  file.Seek(0);
  file.Write(header_.Bytes(), static_cast<std::uint16_t>(msgdir::kMsgHeaderSize));
  file.Flush();
  return file.Status() == StOk;
}

bool MsgDirBase::RewriteHeader() {
  if (message_file_ == nullptr) return false;
  BaseStream& file = *message_file_;
  file.Reset();
  file.Seek(0);
  file.Write(header_.Bytes(), static_cast<std::uint16_t>(msgdir::kMsgHeaderSize));
  file.Flush();
  return file.Status() == StOk;
}

}  // namespace kestrel
