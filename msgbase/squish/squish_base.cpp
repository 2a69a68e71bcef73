// The Squish base as a whole: opening, creating and closing its files, and
// loading the index.
#include "msgbase/squish/squish_base.h"

#include <algorithm>
#include <utility>

#include "msgbase/io/file_functions.h"
#include "msgbase/io/peer_lock.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/squish/squish_kept_index.h"
#include "msgbase/squish/squish_layout.h"

namespace kestrel {

using namespace squish;

namespace {

constexpr char kFullStop = '.';

// The base path as it is kept: the path with a final full stop, so that the
// file names are the path followed by the extension.
std::string NormalizeBasePath(const std::string& path) {
  if (!path.empty() && path.back() == kFullStop) return path;
  return path + kFullStop;
}

// The index file is read in pieces of whole records that one stream call
// moves.
constexpr std::size_t kIndexReadChunk = (kLargestTransfer / kIndexRecordSize) * kIndexRecordSize;

}  // namespace

SquishBase::SquishBase() {
  SetBasePath("");
  SetMsgNum(0);
}

SquishBase::~SquishBase() {
  CloseMsgBase();
}

std::string SquishBase::FileName(const char* extension) const {
  return base_path() + extension;
}

bool SquishBase::OpenMsgBase(const std::string& path) {
  if (IsOpened()) CloseMsgBase();
  SetBasePath(NormalizeBasePath(path));
  if (!FileExists(FileName(kDataExtension))) {
    SetLastError(kErrorNoDataFile);
    return false;
  }
  const bool index_missing = !FileExists(FileName(kIndexExtension));

  std::unique_ptr<BaseStream> data = NewFile(FileName(kDataExtension), kModeOpenReadWrite);
  if (data == nullptr || data->Status() != StOk) {
    ReleaseFiles();
    SetLastError(kErrorOpenDataFile);
    return false;
  }
  data_file_ = std::make_unique<SquishDataFile>(std::move(data));
  // The header and index are read (a cut-off update repaired, a missing
  // index rebuilt) under the lock, never half way through another program's
  // change.
  change_depth_ = 0;
  if (!TakePeerLock(data_file_->stream())) {
    ReleaseFiles();
    SetLastError(kErrorLocked);
    return false;
  }
  change_depth_ = 1;
  // A data file too short for its base header is no Squish base: with a
  // header of zeros the first new frame would be written over the header.
  if (!data_file_->ReadAt(0, base_header_.bytes().data(), kBaseHeaderSize)) {
    ReleaseFiles();
    SetLastError(kErrorOpenDataFile);
    return false;
  }
  disk_header_ = base_header_;
  update_marked_ = false;
  if (index_missing) {
    if (!RebuildMissingIndex()) {
      ReleaseFiles();
      SetLastError(kErrorNoIndexFile);
      return false;
    }
  } else {
    index_file_ = NewFile(FileName(kIndexExtension), kModeOpenReadWrite);
    if (index_file_ == nullptr || index_file_->Status() != StOk || !LoadIndexOrKept()) {
      ReleaseFiles();
      SetLastError(kErrorOpenIndexFile);
      return false;
    }
    // A base still marked was changed and never closed: its last update may
    // have been cut off anywhere.
    if (UpdateMarked()) RepairCutOffUpdate();
  }
  SelectNothing();
  state_ = MessageState::kNone;
  EndChange();
  SetOpened(true);
  return true;
}

bool SquishBase::CreateMsgBase(const std::string& path) {
  if (IsOpened()) CloseMsgBase();
  SetOpened(false);
  SetBasePath(NormalizeBasePath(path));
  ForceDirectories(DirectoryPart(path));

  std::unique_ptr<BaseStream> data = NewFile(FileName(kDataExtension), kModeCreate);
  if (data == nullptr || data->Status() != StOk) {
    ReleaseFiles();
    SetLastError(kErrorCreateDataFile);
    return false;
  }
  data_file_ = std::make_unique<SquishDataFile>(std::move(data));
  index_file_ = NewFile(FileName(kIndexExtension), kModeCreate);
  if (index_file_ == nullptr || index_file_->Status() != StOk) {
    ReleaseFiles();
    SetLastError(kErrorCreateIndexFile);
    return false;
  }
  const std::string base_name = base_path().substr(0, base_path().size() - 1);
  base_header_ = SquishBaseHeader::Fresh(base_name);
  WriteBaseHeader(base_header_);
  // A base whose header could not be written is not there: say so now
  // rather than at the first message. The new base is durable, both names
  // included, before a message is stored in it.
  if (!data_file_->Ok() || !FlushFiles()) {
    ReleaseFiles();
    SetLastError(kErrorCreateDataFile);
    return false;
  }
  index_.clear();
  highest_uid_ = 0;
  update_marked_ = false;
  change_depth_ = 0;
  disk_header_ = base_header_;
  SelectNothing();
  state_ = MessageState::kNone;
  SetOpened(true);
  return true;
}

bool SquishBase::MsgBaseExists(const std::string& path) {
  const std::string base = NormalizeBasePath(path);
  if (!FileExists(base + kDataExtension)) return false;
  // A data file without its index still holds messages: the base exists
  // (opening it rebuilds the index) and is never created afresh.
  const bool has_index = FileExists(base + kIndexExtension);
  // Both files are created before the base header is written: a run
  // stopped in between leaves a data file shorter than its header and an
  // empty (or no) index. Nothing was ever stored there; creating the base
  // replaces both files.
  const std::int64_t data_size = FileSizeOf(base + kDataExtension);
  return data_size < 0 || data_size >= static_cast<std::int64_t>(kBaseHeaderSize) ||
         (has_index && FileSizeOf(base + kIndexExtension) != 0);
}

void SquishBase::CloseMsgBase() {
  if (!IsOpened()) return;
  SetOpened(false);
  // The header is written back under the lock, after taking in what another
  // program changed; when the lock stays taken it is left as it is (a mark
  // left on it makes the next open check the base).
  if (BeginChange()) {
    // After a failed write the mark stays, so that the next open puts right
    // whatever the failed update left half done.
    if (data_file_->Ok() && IndexOk()) ClearUpdateMark();
    WriteBaseHeader(base_header_);
    KeepIndexAtClose();
    EndChange();
  }
  change_depth_ = 0;
  data_file_.reset();
  index_file_.reset();
  index_.clear();
  state_ = MessageState::kNone;
}

void SquishBase::ReleaseFiles() {
  data_file_.reset();
  index_file_.reset();
  index_.clear();
  SetBasePath("");
}

bool SquishBase::LoadIndexOrKept() {
  platform::DirectoryStamp stamp;
  return (platform::GetFileStamp(FileName(kIndexExtension), stamp) == platform::dos_error::kNone &&
          TakeKeptIndex(base_path(), base_header_, index_file_->GetSize(), stamp, index_,
                        highest_uid_)) ||
         LoadIndex();
}

void SquishBase::KeepIndexAtClose() {
  // Kept only when the files hold what memory holds, the header written last
  // is unmarked, and the highest unique id is the last record's (so it is
  // what loading the records would give).
  if (!data_file_->Ok() || !IndexOk() || UpdateMarked() ||
      disk_header_.bytes() != base_header_.bytes() || index_.empty() ||
      index_.back().unique_id != highest_uid_) {
    ForgetKeptIndex(base_path());
    return;
  }
  platform::DirectoryStamp stamp;
  if (platform::GetFileStamp(FileName(kIndexExtension), stamp) != platform::dos_error::kNone) {
    ForgetKeptIndex(base_path());
    return;
  }
  KeepIndex(base_path(), disk_header_, stamp, std::move(index_), highest_uid_);
  index_.clear();
}

bool SquishBase::LoadIndex() {
  index_.clear();
  highest_uid_ = 0;
  const std::int32_t size = index_file_->GetSize();
  if (size < 0) return false;
  // A partial record at the end (a damaged file) is left out.
  const std::size_t count = static_cast<std::size_t>(size) / kIndexRecordSize;
  index_.reserve(count);
  index_file_->Seek(0);
  std::vector<std::uint8_t> chunk(std::min(kIndexReadChunk, count * kIndexRecordSize));
  std::size_t left = count * kIndexRecordSize;
  while (left > 0) {
    const std::size_t n = std::min(left, kIndexReadChunk);
    index_file_->Read(chunk.data(), static_cast<std::uint16_t>(n));
    if (index_file_->Status() != StOk) return false;
    for (std::size_t at = 0; at < n; at += kIndexRecordSize) {
      index_.push_back(SquishIndexRecord::Decode(chunk.data() + at));
      highest_uid_ = HigherUniqueId(highest_uid_, index_.back().unique_id);
    }
    left -= n;
  }
  return true;
}

}  // namespace kestrel
