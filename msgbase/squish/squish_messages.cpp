// Messages in frames: reading one into the text stream, creating, writing
// (in place, into a free frame, or appended), rewriting the header and
// deleting.
//
// Frame layout: 28-byte frame header, 238-byte message header, control
// information (kludge lines with a closing 0), message text, a closing 0,
// spare room.
//
// Writes go in an order that keeps the base readable should the run stop
// between two of them: the message's frame first, then the links of its
// neighbours, then the index record, and a frame given up (a moved or
// killed message's) is marked free only after no index record points at it;
// the base header comes last.
#include <algorithm>
#include <string>
#include <vector>

#include "msgbase/io/stream_blocks.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/squish/squish_base.h"
#include "msgbase/squish/squish_control_info.h"
#include "msgbase/squish/squish_frame_edit.h"
#include "msgbase/squish/squish_layout.h"

namespace kestrel {

using namespace squish;

namespace {

// Bytes read at once when a message is opened: the frame and message
// headers and, for most messages, the whole rest of the frame.
constexpr std::size_t kFirstReadSize = 4096;
// The text beyond the first read goes into the text stream in pieces of
// this size.
constexpr std::size_t kTextPieceSize = 65536;

std::uint32_t DecreasedCount(std::uint32_t count) {
  return count > 0 ? count - 1 : 0;
}

}  // namespace

bool SquishBase::Fail(std::int32_t code) {
  SetLastError(code);
  return false;
}

bool SquishBase::OpenMsg() {
  return ReadMessage(true);
}

bool SquishBase::OpenMsgHeader() {
  return ReadMessage(false);
}

bool SquishBase::ReadMessage(bool with_text) {
  CloseMsg();
  SetTextTooLarge(false);
  state_ = MessageState::kNone;
  if (!IsOpened()) return Fail(kErrorFrameIo);
  std::vector<std::uint8_t> frame_bytes;
  if (!ReadFrameStart(frame_bytes)) return false;
  const SquishFrameHeader& frame = current_frame_;

  // The bytes that belong to the message: no more than its length, the
  // room of its frame, and what the file holds.
  const std::int64_t in_file = data_file_->Size() - current_frame_offset_;
  const std::int64_t in_use = std::min<std::int64_t>(
      {frame.message_length, frame.frame_length, in_file - kFrameHeaderSize});
  const std::int64_t header_and_control = std::int64_t{kMessageHeaderSize} + frame.control_length;
  if (in_use < header_and_control) return Fail(kErrorBadFrame);
  std::int64_t text_length = 0;
  if (with_text) {
    // A frame cut short keeps the text it still holds.
    const std::int64_t stored = std::int64_t{frame.message_length} - header_and_control;
    text_length = std::clamp<std::int64_t>(stored, 0, in_use - header_and_control);
    if (text_length > kMaxTextSize) {
      SetTextTooLarge(true);
      return Fail(kErrorBadFrame);
    }
  }
  // The headers and the control information are read whole; the text goes
  // from the file into the text stream a piece at a time, so it is held in
  // memory once.
  const auto head = static_cast<std::size_t>(kFrameHeaderSize + header_and_control);
  const std::size_t first_text =
      std::min<std::size_t>(frame_bytes.size() - std::min(frame_bytes.size(), head),
                            static_cast<std::size_t>(text_length));
  if (head > frame_bytes.size()) {
    const std::size_t have = frame_bytes.size();
    frame_bytes.resize(head);
    if (!data_file_->ReadOn(frame_bytes.data() + have, head - have)) return Fail(kErrorFrameIo);
  }
  const std::uint8_t* message = frame_bytes.data() + kFrameHeaderSize;
  std::copy_n(message, kMessageHeaderSize, message_header_.bytes().begin());
  if (!FillText(message + kMessageHeaderSize, first_text,
                static_cast<std::size_t>(text_length) - first_text)) {
    return Fail(kErrorFrameIo);
  }
  state_ = MessageState::kStored;
  header_only_ = !with_text;
  message_uid_ = current_record_.unique_id;
  message_slot_ = CurrentSlot();
  return true;
}

bool SquishBase::ReadFrameStart(std::vector<std::uint8_t>& frame_bytes) {
  // Offset 0 (no current message) and offsets that cannot hold a frame
  // header fail alike.
  const std::uint32_t offset = current_record_.frame_offset;
  if (offset < kBaseHeaderSize || !data_file_->Holds(offset, kFrameHeaderSize))
    return Fail(kErrorFrameIo);
  const std::int64_t in_file = data_file_->Size() - offset;
  frame_bytes.resize(static_cast<std::size_t>(std::min<std::int64_t>(in_file, kFirstReadSize)));
  if (!data_file_->ReadAt(offset, frame_bytes.data(), frame_bytes.size()))
    return Fail(kErrorFrameIo);
  const SquishFrameHeader frame = SquishFrameHeader::Decode(frame_bytes.data());
  current_frame_offset_ = offset;
  current_frame_ = frame;
  if (!frame.IsMessage() || frame.control_length >= kControlLimit) return Fail(kErrorBadFrame);
  return true;
}

bool SquishBase::FillText(const std::uint8_t* control, std::size_t first_text,
                          std::size_t text_left) {
  const std::uint32_t control_length = current_frame_.control_length;
  const std::string kludges =
      ControlInfoToLines({reinterpret_cast<const char*>(control), control_length});
  SetTextStream(NewMemStream(MemStreamHint));
  BaseStream& text = *GetTextStream();
  WriteBlock(text, kludges.data(), kludges.size());
  WriteBlock(text, control + control_length, first_text);
  if (!ReadTextInPieces(text, text_left)) {
    SetTextStream(nullptr);
    return false;
  }
  // The text usually ends with a 0 that is not part of it; other programs
  // store it without one, and then its last byte is text.
  if (first_text + text_left > 0) {
    const std::int32_t end = text.GetSize();
    char last = 1;
    text.Seek(end - 1);
    text.Read(&last, 1);
    if (last == 0) {
      text.Seek(end - 1);
      text.Truncate();
    }
  }
  text.Seek(0);
  return true;
}

bool SquishBase::ReadTextInPieces(BaseStream& text, std::size_t count) {
  std::vector<std::uint8_t> piece(std::min(count, kTextPieceSize));
  while (count > 0) {
    const std::size_t length = std::min(count, piece.size());
    if (!data_file_->ReadOn(piece.data(), length)) return false;
    WriteBlock(text, piece.data(), length);
    count -= length;
  }
  return true;
}

bool SquishBase::CloseMsg() {
  if (GetTextStream() == nullptr) return false;
  SetTextStream(nullptr);
  return true;
}

std::uint32_t SquishBase::NextFreeUniqueId() const {
  // The header's next unique id, unless a damaged header offers one that is
  // no message number or one the index already used: a message under such
  // an id could not be found again.
  const std::uint32_t next = base_header_.NextUniqueId();
  std::uint64_t id = next >= 1 && next <= kMaxUniqueId ? next : 1;
  id = std::max<std::uint64_t>(id, std::uint64_t{highest_uid_} + 1);
  return id <= kMaxUniqueId ? static_cast<std::uint32_t>(id) : 0;
}

void SquishBase::NumberNewMessage(std::uint32_t uid) {
  // The base header counts the message when WriteMsg stores it: a message
  // created and never written leaves no trace.
  SetMsgNum(static_cast<std::int32_t>(uid));
  message_header_.SetUniqueId(uid);
  current_record_.unique_id = uid;
  message_uid_ = uid;
  index_pos_ = static_cast<std::int32_t>(index_.size() * kIndexRecordSize);
}

bool SquishBase::CreateMsg() {
  if (!IsOpened()) return Fail(kErrorNoMessage);
  const std::uint32_t uid = NextFreeUniqueId();
  const std::int64_t slot = static_cast<std::int64_t>(index_.size());
  if (uid == 0 || (slot + 1) * kIndexRecordSize > kMaxFileOffset) return Fail(kErrorBaseFull);

  message_header_ = SquishMessageHeader();
  current_frame_ = SquishFrameHeader();
  current_record_ = SquishIndexRecord();

  current_frame_.id = kFrameId;
  current_frame_offset_ = 0;
  message_header_.SetAttributes(kAttrBitAlwaysSet);
  NumberNewMessage(uid);

  SetTextStream(NewMemStream(MemStreamHint));
  SetDatesNow();
  state_ = MessageState::kNew;
  header_only_ = false;
  message_slot_ = slot;
  return true;
}

std::string SquishBase::TextPrefix(std::size_t count) {
  BaseStream& text = *GetTextStream();
  std::string bytes(std::min(count, static_cast<std::size_t>(std::max(text.GetSize(), 0))), '\0');
  text.Seek(0);
  ReadBlock(text, bytes.data(), bytes.size());
  return bytes;
}

SplitMessageText SquishBase::SplitText() {
  // The leading kludge lines are almost always found in the first piece of
  // the text; only when they run to its end is the whole text looked at.
  const auto size = static_cast<std::size_t>(std::max(GetTextStream()->GetSize(), 0));
  std::string head = TextPrefix(kTextPieceSize);
  SplitMessageText split = SplitKludgeLines(head);
  if (split.body_start >= head.size() && head.size() < size) {
    head = TextPrefix(size);
    split = SplitKludgeLines(head);
  }
  return split;
}

bool SquishBase::WriteFrameBody(std::size_t body_start) {
  BaseStream& text = *GetTextStream();
  auto left = static_cast<std::size_t>(std::max(text.GetSize(), 0)) - body_start;
  text.Seek(static_cast<std::int32_t>(body_start));
  std::vector<std::uint8_t> piece(std::min(left, kTextPieceSize));
  while (left > 0 && data_file_->Ok()) {
    const std::size_t length = std::min(left, piece.size());
    if (!ReadBlock(text, piece.data(), length)) return false;
    data_file_->WriteMore(piece.data(), length);
    left -= length;
  }
  const std::uint8_t closing_zero = 0;
  data_file_->WriteMore(&closing_zero, 1);
  return data_file_->Ok();
}

bool SquishBase::WriteMsg() {
  const bool stored = state_ == MessageState::kStored;
  if (!IsOpened() || GetTextStream() == nullptr || (!stored && state_ != MessageState::kNew))
    return Fail(kErrorNoMessage);
  // A message opened without its text would be stored without it.
  if (header_only_) return Fail(kErrorNoMessage);
  if (!BeginChange()) return false;
  const bool written = StoreMessage(stored);
  EndChange();
  return written;
}

bool SquishBase::StoreMessage(bool stored) {
  // The text: leading kludge lines become the control information, the
  // rest is the message text.
  StorePlan plan;
  plan.split = SplitText();
  plan.body_length =
      static_cast<std::size_t>(std::max(GetTextStream()->GetSize(), 0)) - plan.split.body_start;
  plan.message_length = std::int64_t{kMessageHeaderSize} +
                        static_cast<std::int64_t>(plan.split.control.size()) +
                        static_cast<std::int64_t>(plan.body_length) + 1;
  if (plan.message_length + kFrameHeaderSize + kBaseHeaderSize > kMaxFileOffset)
    return Fail(kErrorBaseFull);
  SetHeaderFieldsFromText();
  const std::uint32_t name_hash = SquishNameHash(GetTo());

  // Plan the placement on copies; nothing is written until it is sound.
  SquishBaseHeader header = base_header_;
  if (!stored) {
    header.SetNextUniqueId(message_uid_ + 1);
    header.SetNumMessages(header.NumMessages() + 1);
    header.SetHighMessage(header.HighMessage() + 1);
  }
  FrameEdit edit(*data_file_, header);
  plan.slot = static_cast<std::int64_t>(index_.size());
  if (stored && !LoadStoredFrame(edit, plan)) return false;
  if (!PlaceFrame(edit, header, stored, plan)) return false;

  // Each step is written only when the one before it worked: a frame that
  // did not reach the file must not be linked or indexed. After a failure
  // the message cannot be written again (the mover stops there anyway).
  if (!WriteFrame(edit, header, plan)) return WriteFailed();
  // The chains on disk now hold the frame: the header in memory follows.
  base_header_ = header;
  const SquishIndexRecord record{plan.offset, message_uid_, name_hash};
  if (!StoreIndexRecord(stored, plan.slot, record)) return WriteFailed();
  current_frame_ = *edit.Load(plan.offset, Chain::kMessages);
  current_frame_offset_ = plan.offset;
  current_record_ = record;
  state_ = MessageState::kStored;
  message_slot_ = plan.slot;

  // What follows only tidies up, under the update mark.
  if (stored && !plan.in_place) edit.WriteOne(plan.old_offset);
  WriteBaseHeader(base_header_);
  if (!data_file_->Ok()) return WriteFailed();
  return true;
}

void SquishBase::SetHeaderFieldsFromText() {
  FidoAddress orig;
  FidoAddress dest;
  GetOrigDestAddr(orig, dest);
  message_header_.SetOrigAddress(orig);
  message_header_.SetDestAddress(dest);
  message_header_.SetUtcOffset(0);
  MsgDateTime written;
  GetDateWritten(written);
  message_header_.SetDateText(written);
}

bool SquishBase::LoadStoredFrame(FrameEdit& edit, StorePlan& plan) {
  // The message's record may have moved since it was opened (a message
  // before it was killed): look it up by its unique id.
  plan.slot = FindSlot(message_uid_, message_slot_);
  if (plan.slot < 0) return Fail(kErrorNoMessage);
  plan.old_offset = index_[static_cast<std::size_t>(plan.slot)].frame_offset;
  // Read the frame afresh: its links may have changed since it was opened.
  const SquishFrameHeader* loaded = edit.Load(plan.old_offset, Chain::kMessages);
  if (loaded == nullptr) {
    SquishFrameHeader probe;
    return Fail(data_file_->ReadFrameHeader(plan.old_offset, probe) ? kErrorBadFrame
                                                                    : kErrorFrameIo);
  }
  plan.old = *loaded;
  return true;
}

bool SquishBase::PlaceFrame(FrameEdit& edit, SquishBaseHeader& header, bool stored,
                            StorePlan& plan) {
  SquishFrameHeader frame;
  frame.id = kFrameId;
  frame.message_length = static_cast<std::uint32_t>(plan.message_length);
  frame.control_length = static_cast<std::uint32_t>(plan.split.control.size());
  frame.frame_type = kFrameTypeMessage;
  const SquishFrameHeader& old = plan.old;
  plan.in_place =
      stored && old.frame_length >= plan.message_length &&
      data_file_->Holds(std::int64_t{plan.old_offset} + kFrameHeaderSize, old.frame_length);
  if (plan.in_place) {
    plan.offset = plan.old_offset;
    frame.frame_length = old.frame_length;
    frame.prev = old.prev;
    frame.next = old.next;
    edit.Put(plan.offset, frame);
    return true;
  }
  if (!PlaceInOtherFrame(edit, header, frame, plan)) return false;
  edit.Put(plan.offset, frame);
  if (!stored) return edit.AppendToTail(Chain::kMessages, plan.offset) || Fail(kErrorFrameIo);
  // The moved message keeps its place in the message chain; its old frame
  // joins the free chain (or, when that chain is damaged, is only marked
  // free).
  if (!edit.TakeOver(plan.old_offset, plan.offset)) return Fail(kErrorFrameIo);
  SquishFrameHeader released = old;
  released.frame_type = kFrameTypeFree;
  released.prev = 0;
  released.next = 0;
  edit.Put(plan.old_offset, released);
  edit.AppendToTail(Chain::kFree, plan.old_offset);
  return true;
}

bool SquishBase::PlaceInOtherFrame(FrameEdit& edit, SquishBaseHeader& header,
                                   SquishFrameHeader& frame, StorePlan& plan) {
  if (const auto reuse = edit.FindFreeFrame(frame.message_length)) {
    plan.offset = *reuse;
    frame.frame_length = edit.Load(plan.offset, Chain::kFree)->frame_length;
    return edit.Unlink(Chain::kFree, plan.offset) || Fail(kErrorFrameIo);
  }
  // New frames go at the real end of the file, which is the header's end
  // of data in every sound base; a header that says otherwise would have
  // the frame written over others or far beyond the file.
  const std::int64_t append_at = std::max<std::int64_t>(data_file_->Size(), kBaseHeaderSize);
  const std::int64_t end = append_at + kFrameHeaderSize + plan.message_length;
  if (end > kMaxFileOffset) return Fail(kErrorBaseFull);
  plan.offset = static_cast<std::uint32_t>(append_at);
  frame.frame_length = frame.message_length;
  header.SetEndOfData(static_cast<std::uint32_t>(end));
  return true;
}

std::vector<std::uint8_t> SquishBase::FrameBytes(const SquishFrameHeader& frame,
                                                 const StorePlan& plan, bool with_body) {
  // Both headers, the control information and, when `with_body`, the text
  // and its closing 0.
  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(kFrameHeaderSize + kMessageHeaderSize) +
                plan.split.control.size() + (with_body ? plan.body_length + 1 : 0));
  const SquishFrameHeader::Bytes frame_bytes = frame.Encode();
  bytes.insert(bytes.end(), frame_bytes.begin(), frame_bytes.end());
  bytes.insert(bytes.end(), message_header_.bytes().begin(), message_header_.bytes().end());
  bytes.insert(bytes.end(), plan.split.control.begin(), plan.split.control.end());
  if (with_body) {
    const std::size_t at = bytes.size();
    bytes.resize(at + plan.body_length + 1, 0);
    GetTextStream()->Seek(static_cast<std::int32_t>(plan.split.body_start));
    ReadBlock(*GetTextStream(), bytes.data() + at, plan.body_length);
  }
  return bytes;
}

bool SquishBase::WriteFrame(FrameEdit& edit, SquishBaseHeader& header, const StorePlan& plan) {
  // The frame in one write. A text too long to copy into that write (it
  // would be held in memory twice) follows the headers a piece at a time.
  const bool in_one_write = plan.body_length <= kTextPieceSize;
  const std::vector<std::uint8_t> bytes =
      FrameBytes(*edit.Load(plan.offset, Chain::kMessages), plan, in_one_write);
  // The header on disk says that an update is under way before anything of
  // it is written.
  if (!MarkUpdating(header)) return false;
  const std::int64_t size_before = data_file_->Size();
  data_file_->WriteAt(plan.offset, bytes.data(), bytes.size());
  if (!in_one_write && data_file_->Ok()) WriteFrameBody(plan.split.body_start);
  // A frame appended in part (the disk ran full) is cut off again: left
  // behind the last frame, it would lie under the next frame appended there.
  if (!data_file_->Ok() && plan.offset >= size_before) data_file_->CutBackTo(size_before);
  if (data_file_->Ok()) edit.WriteChanged({plan.offset, plan.old_offset});
  // The frame and its links are durable before the index record that
  // points at it is written.
  if (data_file_->Ok()) data_file_->stream().Flush();
  return data_file_->Ok();
}

bool SquishBase::StoreIndexRecord(bool stored, std::int64_t slot, const SquishIndexRecord& record) {
  WriteIndexRecord(slot, record);
  // With the record durable the message is stored: the caller may delete
  // the original.
  if (IndexOk()) index_file_->Flush();
  if (!IndexOk()) return false;
  if (stored) {
    index_[static_cast<std::size_t>(slot)] = record;
  } else {
    index_.push_back(record);
    highest_uid_ = HigherUniqueId(highest_uid_, message_uid_);
    index_pos_ = static_cast<std::int32_t>(slot * kIndexRecordSize);
  }
  return true;
}

bool SquishBase::WriteFailed() {
  state_ = MessageState::kNone;
  return Fail(kErrorFrameIo);
}

bool SquishBase::RewriteHeader() {
  if (!IsOpened() || state_ != MessageState::kStored) return Fail(kErrorNoMessage);
  if (!BeginChange()) return false;
  const bool written = RewriteStoredHeader();
  EndChange();
  return written;
}

bool SquishBase::RewriteStoredHeader() {
  // The header goes into the frame the message has now; a frame that is no
  // longer a message frame is not written into.
  const std::int64_t slot = FindSlot(message_uid_, message_slot_);
  if (slot < 0) return Fail(kErrorNoMessage);
  const std::uint32_t offset = index_[static_cast<std::size_t>(slot)].frame_offset;
  SquishFrameHeader frame;
  if (!data_file_->ReadFrameHeader(offset, frame)) return Fail(kErrorFrameIo);
  if (!frame.IsMessage()) return Fail(kErrorBadFrame);
  data_file_->WriteAt(std::int64_t{offset} + kFrameHeaderSize, message_header_.bytes().data(),
                      kMessageHeaderSize);
  if (!data_file_->Ok()) return Fail(kErrorFrameIo);
  return true;
}

bool SquishBase::KillMsg() {
  if (!IsOpened()) return Fail(kErrorNoMessage);
  if (!BeginChange()) return false;
  links_broken_ = false;
  bool killed = KillCurrentMessage();
  // Neighbours that do not link back (a damaged base) would leave the
  // message undeletable, run after run: the chains are rebuilt from the
  // index and the frames, as after a cut-off update, and the kill is tried
  // once more.
  if (!killed && links_broken_ && RepairBrokenLinks()) killed = KillCurrentMessage();
  EndChange();
  return killed;
}

bool SquishBase::KillCurrentMessage() {
  // Only the record of the current message is removed: after a kill the
  // position has stepped back, and a second kill must not take the message
  // before it.
  const std::int64_t slot = CurrentSlot();
  if (GetMsgNum() == 0 || slot < 0 ||
      index_[static_cast<std::size_t>(slot)].unique_id != static_cast<std::uint32_t>(GetMsgNum()))
    return Fail(kErrorNoMessage);
  const std::uint32_t uid = index_[static_cast<std::size_t>(slot)].unique_id;
  const std::uint32_t offset = index_[static_cast<std::size_t>(slot)].frame_offset;

  SquishBaseHeader header = base_header_;
  FrameEdit edit(*data_file_, header);
  const SquishFrameHeader* loaded = edit.Load(offset, Chain::kMessages);
  if (loaded == nullptr) {
    SquishFrameHeader probe;
    return Fail(data_file_->ReadFrameHeader(offset, probe) ? kErrorBadFrame : kErrorFrameIo);
  }
  SquishFrameHeader released = *loaded;
  if (!edit.Unlink(Chain::kMessages, offset)) {
    links_broken_ = true;
    return Fail(kErrorFrameIo);
  }
  released.frame_type = kFrameTypeFree;
  released.prev = 0;
  released.next = 0;
  edit.Put(offset, released);
  // A damaged free chain is left alone: the frame is then only marked free.
  edit.AppendToTail(Chain::kFree, offset);
  header.SetNumMessages(DecreasedCount(header.NumMessages()));
  header.SetHighMessage(DecreasedCount(header.HighMessage()));

  // The header on disk says that an update is under way before anything of
  // it is written.
  if (!MarkUpdating(header)) return Fail(kErrorFrameIo);
  edit.WriteChanged({offset});
  // The unlinked chain is durable before the index loses the record.
  if (data_file_->Ok()) data_file_->stream().Flush();
  if (!data_file_->Ok()) return Fail(kErrorFrameIo);
  base_header_ = header;
  index_.erase(index_.begin() + static_cast<std::ptrdiff_t>(slot));
  index_pos_ -= static_cast<std::int32_t>(kIndexRecordSize);
  if (state_ != MessageState::kNew && message_uid_ == uid) state_ = MessageState::kKilled;
  WriteIndexFrom(slot);
  // Durable before the next message is copied: a deletion that a power cut
  // took back would have that message moved a second time.
  if (IndexOk()) index_file_->Flush();
  if (!IndexOk()) return Fail(kErrorFrameIo);
  // Only now that no record points at the frame is it marked free.
  edit.WriteOne(offset);
  WriteBaseHeader(base_header_);
  if (!data_file_->Ok()) return Fail(kErrorFrameIo);
  return true;
}

}  // namespace kestrel
