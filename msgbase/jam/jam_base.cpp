// Opening, creating, testing and closing a JAM base.
#include "msgbase/jam/jam_base.h"

#include <algorithm>
#include <vector>

#include "msgbase/fido/date_time.h"
#include "msgbase/io/file_functions.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/io/stream_hooks.h"

namespace kestrel {
namespace {

using namespace jam;

// The base path with its dot: the extensions are appended to it directly.
std::string DottedPath(const std::string& path) {
  if (!path.empty() && path.back() == '.') return path;
  return path + ".";
}

struct BaseFile {
  const char* extension;
  std::int32_t missing_error;
  std::int32_t open_error;
  std::int32_t create_error;
};

// The four files in the order they are tested, opened and created.
constexpr BaseFile kHeader{kHeaderExtension, kErrorNoHeaderFile, kErrorOpenHeaderFile,
                           kErrorCreateHeaderFile};
constexpr BaseFile kIndex{kIndexExtension, kErrorNoIndexFile, kErrorOpenIndexFile,
                          kErrorCreateIndexFile};
constexpr BaseFile kText{kTextExtension, kErrorNoTextFile, kErrorOpenTextFile,
                         kErrorCreateTextFile};
constexpr BaseFile kLastRead{kLastReadExtension, kErrorNoLastReadFile, kErrorOpenLastReadFile,
                             kErrorOpenLastReadFile};
constexpr BaseFile kBaseFiles[] = {kHeader, kIndex, kText, kLastRead};
// The files without which there is no base.
constexpr BaseFile kMessageFiles[] = {kHeader, kIndex, kText};

// A stream that opened; null (and the stream disposed) when it did not.
std::unique_ptr<BaseStream> OpenStream(const std::string& name, std::uint32_t mode) {
  std::unique_ptr<BaseStream> stream = NewFile(name, mode);
  if (stream != nullptr && stream->Status() != StOk) stream.reset();
  return stream;
}

}  // namespace

JamBase::JamBase() {
  SetBasePath("");
  SetMsgNum(0);
}

JamBase::~JamBase() {
  CloseMsg();
  CloseMsgBase();
}

// The .JLR file is not needed: other JAM software creates bases without it,
// and it is created when a lastread is first stored.
bool JamBase::BaseIsOpen() const {
  return header_file_ && index_file_ && text_file_;
}

std::string JamBase::FileName(const char* extension) const {
  return base_path() + extension;
}

std::int32_t JamBase::ActiveMsgs() const {
  return base_header_.active_msgs;
}

void JamBase::SetActiveMsgs(std::int32_t value) {
  base_header_.active_msgs = value;
}

bool JamBase::WriteBaseHeader() {
  NoteHeaderFileWritten();
  header_file_->Seek(0);
  const JamBaseHeader::Bytes bytes = base_header_.Encode();
  if (!WriteBlock(*header_file_, bytes.data(), bytes.size())) return false;
  locked_header_ = base_header_;
  return true;
}

std::int32_t JamBase::BaseMsgNum() const {
  return base_header_.base_msg_num;
}

std::int32_t JamBase::FirstMsgNum() const {
  return std::max(BaseMsgNum(), kFirstMessageNumber);
}

bool JamBase::Fail(std::int32_t code) {
  SetLastError(code);
  return false;
}

void JamBase::ResetFiles() {
  // Only the failures are cleared: flushing makes files durable, which the
  // operations do themselves where the order of their changes needs it.
  for (BaseStream* stream :
       {index_file_.get(), text_file_.get(), header_file_.get(), last_read_file_.get()}) {
    if (stream == nullptr) continue;
    stream->Reset();
  }
}

bool JamBase::FlushFiles(std::initializer_list<BaseStream*> streams) {
  bool flushed = true;
  for (BaseStream* stream : streams) {
    if (stream == nullptr) continue;
    stream->Flush();
    flushed = stream->Status() == StOk && flushed;
  }
  return flushed;
}

void JamBase::DisposeFiles() {
  text_file_.reset();
  index_file_.reset();
  header_file_.reset();
  last_read_file_.reset();
}

void JamBase::ForgetMessage() {
  stored_message_ = false;
  header_only_ = false;
  created_pending_ = false;
  deleted_headers_.Clear();
}

bool JamBase::OpenMsgBase(const std::string& path) {
  if (header_file_) CloseMsgBase();
  SetBasePath(DottedPath(path));
  ForgetFileCopies();
  for (const BaseFile& file : kMessageFiles) {
    if (!FileExists(FileName(file.extension))) {
      SetLastError(file.missing_error);
      return false;
    }
  }

  auto fail = [this](std::int32_t code) {
    SetLastError(code);
    DisposeFiles();
    SetBasePath("");
    return false;
  };
  if (const std::int32_t code = OpenFiles(); code != 0) return fail(code);

  // A .JHR shorter than its base header is damaged: read as a header of zeros
  // it would number messages from 0, and a message header appended to it
  // would lie where the base header is written back at close.
  if (header_file_->GetSize() < static_cast<std::int32_t>(kBaseHeaderSize)) {
    return fail(kErrorOpenHeaderFile);
  }
  ForgetMessage();
  SetMsgNum(0);
  // The base header is read under the lock, so that it is never caught half
  // way through another program's change.
  change_depth_ = 0;
  base_header_ = JamBaseHeader();
  locked_header_ = JamBaseHeader();
  if (!BeginChange()) return fail(GetLastError());
  const std::int32_t index_size = index_file_->GetSize();
  if (index_size < 0) {
    EndChange();
    return fail(kErrorOpenIndexFile);
  }
  // The writes of a message update keep the index and ActiveMsgs apart until
  // the update is complete (see WriteMsg and KillMsg): a base left by a run
  // that was cut off shows here as a count that differs, and is compacted
  // and recounted.
  if (index_size / static_cast<std::int32_t>(kIndexRecordSize) != ActiveMsgs()) CompactIndex();
  EndChange();
  SetOpened(true);
  return true;
}

std::int32_t JamBase::OpenFiles() {
  header_file_ = OpenStream(FileName(kHeaderExtension), kModeOpenShared);
  if (!header_file_) return kErrorOpenHeaderFile;
  index_file_ = OpenStream(FileName(kIndexExtension), kModeOpenShared);
  if (!index_file_) return kErrorOpenIndexFile;
  text_file_ = OpenStream(FileName(kTextExtension), kModeOpenShared);
  if (!text_file_) return kErrorOpenTextFile;
  // A missing .JLR is created when a lastread is first stored. An existing
  // one that cannot be opened is never created anew: that would erase the
  // lastread records of every user.
  if (FileExists(FileName(kLastReadExtension))) {
    last_read_file_ = OpenStream(FileName(kLastReadExtension), kModeOpenExclusive);
    if (!last_read_file_) return kErrorOpenLastReadFile;
  }
  return 0;
}

bool JamBase::CreateMsgBase(const std::string& path) {
  if (header_file_) CloseMsgBase();
  SetBasePath(DottedPath(path));
  ForgetFileCopies();
  ForceDirectories(DirectoryPart(path));

  // What a creation cut off before the base header was written left behind
  // holds nothing: it is removed and the base created anew.
  if (CreationCutOff(base_path())) {
    for (const BaseFile& file : kBaseFiles)
      DeleteFile(FileName(file.extension));
  }
  std::unique_ptr<BaseStream>* streams[] = {&header_file_, &index_file_, &text_file_,
                                            &last_read_file_};
  std::vector<std::string> created;
  auto fail = [this, &created](std::int32_t code) {
    SetLastError(code);
    DisposeFiles();
    for (const std::string& name : created)
      DeleteFile(name);
    return false;
  };
  for (std::size_t i = 0; i < std::size(kBaseFiles); ++i) {
    const std::string name = FileName(kBaseFiles[i].extension);
    *streams[i] = OpenStream(name, kModeCreateNew);
    if (!*streams[i]) return fail(kBaseFiles[i].create_error);
    created.push_back(name);
  }
  ResetFiles();

  MsgDateTime now;
  GetNowDateTime(now);
  base_header_ = JamBaseHeader::New(DateTimeToUnix(now));
  const JamBaseHeader::Bytes header = base_header_.Encode();
  header_file_->Seek(0);
  if (!WriteBlock(*header_file_, header.data(), header.size())) {
    return fail(kErrorCreateHeaderFile);
  }
  // The new base is on disk, the names of its files included, before a message is
  // stored in it.
  if (!FlushFiles(
          {header_file_.get(), index_file_.get(), text_file_.get(), last_read_file_.get()})) {
    return fail(kErrorCreateHeaderFile);
  }
  locked_header_ = base_header_;
  change_depth_ = 0;
  ForgetMessage();
  SetMsgNum(0);
  SetOpened(true);
  return true;
}

bool JamBase::MsgBaseExists(const std::string& path) {
  const std::string dotted = DottedPath(path);
  for (const BaseFile& file : kMessageFiles) {
    if (!FileExists(dotted + file.extension)) return false;
  }
  return !CreationCutOff(dotted);
}

bool JamBase::CreationCutOff(const std::string& dotted_path) {
  // The files are created one after the other and the base header written
  // after them: a run stopped in between leaves some of the files, the
  // header file (if there) shorter than its header, the others empty.
  // Nothing was ever stored in such a base. A file that exists but cannot be
  // opened to tell its size is taken as holding something.
  // After a power cut the header file may also hold its whole base header
  // while the names of the other files were lost: with no message file
  // there, nothing was stored either.
  const std::string header_file = dotted_path + kHeaderExtension;
  if (FileExists(header_file)) {
    const std::int64_t header_size = FileSizeOf(header_file);
    const auto base_header_size = static_cast<std::int64_t>(kBaseHeaderSize);
    if (header_size < 0 || header_size > base_header_size) return false;
    if (header_size == base_header_size && FileExists(dotted_path + kIndexExtension) &&
        FileExists(dotted_path + kTextExtension)) {
      return false;
    }
  }
  for (const char* extension : {kIndexExtension, kTextExtension, kLastReadExtension}) {
    const std::string name = dotted_path + extension;
    if (FileExists(name) && FileSizeOf(name) != 0) return false;
  }
  return true;
}

void JamBase::CloseMsgBase() {
  if (!BaseIsOpen()) return;
  CloseMsg();
  ResetFiles();
  // Every change wrote its counters already; what is left is written only
  // under the lock (a base another program keeps locked is left as it is).
  // It is not synced: every message stored or killed is durable already, and
  // a base header that a power cut takes back shows as a count that differs
  // from the index, which the next open recounts.
  if (BeginChange()) EndChange();
  change_depth_ = 0;
  DisposeFiles();
  ForgetMessage();
  ForgetFileCopies();
  SetOpened(false);
}

}  // namespace kestrel
