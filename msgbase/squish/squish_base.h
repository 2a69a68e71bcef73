// A message area in the Squish layout: the data file (.SQD: a 256-byte base
// header followed by frames), the index file (.SQI: one 12-byte record per
// message, in creation order) and the lastread file (.SQL).
//
// Message numbers are the unique ids the index records carry, not positions;
// GetMsgUid and SeekMsgUid deal in byte positions of index records instead.
//
// Both files are held open from OpenMsgBase/CreateMsgBase to CloseMsgBase
// with others allowed to read but not to write through the sharing classes;
// the index is read at open and kept in memory, and every change is written
// through to the files at once. Software that ignores the sharing classes
// takes the Squish lock (the first byte of the .SQD) while it changes the
// base: every change here is made under that lock too, after taking in what
// such software changed (see BeginChange). Offsets, lengths and links read from the files are
// checked before they are used: a damaged base gives error codes, never a read or write in the
// wrong place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "msgbase/message_base.h"
#include "msgbase/squish/squish_base_header.h"
#include "msgbase/squish/squish_control_info.h"
#include "msgbase/squish/squish_data_file.h"
#include "msgbase/squish/squish_frame_header.h"
#include "msgbase/squish/squish_index_record.h"
#include "msgbase/squish/squish_message_header.h"

namespace kestrel {

namespace squish {
class FrameEdit;
}

class SquishBase : public MessageBase {
 public:
  SquishBase();
  // Closes the base (writing its header back).
  ~SquishBase() override;

  // --- The base (squish_base.cpp).
  // Opens both files of the base at path (".SQD"/".SQI" after the path with
  // a final full stop). A missing index file is rebuilt from the message
  // frames of the data file. Errors: 3000h when the data file is missing,
  // 3001h when the index file is missing and cannot be rebuilt (the frames
  // cannot be walked to the end of the file, or two carry one unique id;
  // the files are left as they are), 3002h when the data file cannot be
  // opened or is shorter than its base header, 3003h when the index file
  // cannot be opened or read. Nothing stays open after a failure.
  bool OpenMsgBase(const std::string& path) override;
  // Creates the directory, both files (replacing them) and a fresh base
  // header. Errors: 3009h/300Ah when a file cannot be created or written.
  bool CreateMsgBase(const std::string& path) override;
  bool MsgBaseExists(const std::string& path) override;
  // Writes the base header back and closes both files.
  void CloseMsgBase() override;

  // --- Numbers and positions (squish_navigation.cpp).
  bool MsgExists(std::int32_t num) override;
  void SeekFirst(std::int32_t num) override;
  void SeekNext() override;
  void SeekPrior() override;
  std::int32_t GetMsgUid() override;
  void SeekMsgUid(std::int32_t pos) override;
  // The base header's next unique id - 1, or the highest unique id in the
  // index when a damaged header says less.
  std::int32_t GetHighMsgNum() override;
  std::int32_t GetMsgCount() override;

  // --- Lastread file (squish_lastread.cpp).
  std::int32_t GetLastRead(std::int32_t user) override;
  void SetLastRead(std::int32_t user, std::int32_t num) override;

  // --- Messages (squish_messages.cpp).
  bool OpenMsg() override;
  bool OpenMsgHeader() override;
  bool CloseMsg() override;
  bool CreateMsg() override;
  // Stores the new or opened message. False (and a code in LastError) when
  // it could not be placed or a write to the files failed, and (3006h) for a
  // message opened with OpenMsgHeader, which holds no text to store. A new
  // message is counted in the base header only once it is stored.
  bool WriteMsg() override;
  bool RewriteHeader() override;
  // Deletes the current message: its index record goes, its frame joins the
  // free chain, and the position steps back so that SeekNext continues with
  // the message that followed. Chain links found broken are repaired first
  // (the chains rebuilt from the index and the frames); a base that cannot
  // be rebuilt gives 3008h.
  bool KillMsg() override;

  // --- Fields of the open message (squish_message_fields.cpp).
  std::string GetFrom() override;
  std::string GetTo() override;
  std::string GetSubj() override;
  void SetFrom(const std::string& s) override;
  void SetTo(const std::string& s) override;
  void SetSubj(const std::string& s) override;
  // Addresses are the header's address fields, with the parts the kludge
  // lines carry taken from those lines.
  void GetOrigAddr(FidoAddress& addr) override;
  void GetDestAddr(FidoAddress& addr) override;
  void GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest) override;
  // The kludge lines, and the header's address field.
  void SetOrigAddr(const FidoAddress& addr, bool new_msg_id) override;
  void SetDestAddr(const FidoAddress& addr) override;
  bool GetAttr(std::uint32_t code) override;
  void SetAttr(std::uint32_t code, bool on) override;
  void GetDateWritten(MsgDateTime& dt) override;
  void GetDateArrived(MsgDateTime& dt) override;
  void SetDateWritten(const MsgDateTime& dt) override;
  void SetDateArrived(const MsgDateTime& dt) override;

 private:
  // What the message fields describe.
  enum class MessageState {
    kNone,    // nothing opened or created yet
    kNew,     // created, not yet written
    kStored,  // opened from the base, or written
    kKilled,  // deleted: the fields stay readable, nothing is written
  };

  // squish_base.cpp
  std::string FileName(const char* extension) const;
  bool LoadIndex();
  // The index as this process left it at its last close of the base, when
  // nothing changed it since (squish_kept_index.h); else LoadIndex.
  bool LoadIndexOrKept();
  // Keeps the index for the next open, when memory and files agree.
  void KeepIndexAtClose();
  void ReleaseFiles();

  // squish_navigation.cpp
  // Makes the record at `slot` current; out of range: nothing is current.
  void SelectSlot(std::int64_t slot);
  void SelectNothing();
  // The slot of the current index position, or -1.
  std::int64_t CurrentSlot() const;
  // The slot holding unique id `uid`, looked for at `hint` first; -1.
  std::int64_t FindSlot(std::uint32_t uid, std::int64_t hint) const;
  // Index file writes: one record at `slot`, or every record from `slot` to
  // the end followed by a truncation. The stream status tells whether they
  // worked.
  void WriteIndexRecord(std::int64_t slot, const squish::SquishIndexRecord& record);
  void WriteIndexFrom(std::int64_t slot);
  bool IndexOk() const;
  // Makes both files durable, the data file first; false when that failed.
  bool FlushFiles();

  // squish_change.cpp: changes under the lock other Squish software takes
  // (the first byte of the .SQD). BeginChange takes it, waiting a bounded
  // time (false with 300Bh when it stays taken), and takes in what another
  // program changed since: a base header or index size that differs from
  // what this object holds makes it read both again. Nested calls only
  // count; EndChange releases the lock.
  bool BeginChange();
  void EndChange();
  void TakeInOtherChanges();
  // Writes a base header to the file (the stream status tells whether it
  // worked) and notes what the file now holds.
  void WriteBaseHeader(const squish::SquishBaseHeader& header);

  // squish_messages.cpp
  // The parts of WriteMsg, RewriteHeader and KillMsg made under the lock.
  bool StoreMessage(bool stored);
  // One store of a message, planned before anything is written.
  struct StorePlan {
    squish::SplitMessageText split;  // control information and body start
    std::size_t body_length = 0;
    std::int64_t message_length = 0;  // header, control information, text, 0
    std::int64_t slot = 0;            // the message's index record
    std::uint32_t old_offset = 0;     // the stored message's frame; 0 for a new one
    squish::SquishFrameHeader old;
    std::uint32_t offset = 0;  // the frame the message goes into
    bool in_place = false;     // the stored message stays in its frame
  };
  // The steps of StoreMessage, in order. The header fields that follow the
  // text (addresses, UTC offset, date text).
  void SetHeaderFieldsFromText();
  // The stored message's record and current frame.
  bool LoadStoredFrame(squish::FrameEdit& edit, StorePlan& plan);
  // Chooses the frame (the old one when the message still fits, else a
  // free frame or a new one at the end) and plans the chain changes.
  bool PlaceFrame(squish::FrameEdit& edit, squish::SquishBaseHeader& header, bool stored,
                  StorePlan& plan);
  bool PlaceInOtherFrame(squish::FrameEdit& edit, squish::SquishBaseHeader& header,
                         squish::SquishFrameHeader& frame, StorePlan& plan);
  // The bytes of the frame's first write.
  std::vector<std::uint8_t> FrameBytes(const squish::SquishFrameHeader& frame,
                                       const StorePlan& plan, bool with_body);
  // Marks the update, writes the frame and the changed chain links, and
  // makes them durable; false when a write failed.
  bool WriteFrame(squish::FrameEdit& edit, squish::SquishBaseHeader& header, const StorePlan& plan);
  // Writes the index record, makes it durable and takes it into the index
  // in memory; false when a write failed.
  bool StoreIndexRecord(bool stored, std::int64_t slot, const squish::SquishIndexRecord& record);
  bool RewriteStoredHeader();
  bool KillCurrentMessage();
  bool ReadMessage(bool with_text);
  // The first bytes of the current record's frame (its headers, and for
  // most messages the whole frame), with the frame header checked and
  // taken as the current frame.
  bool ReadFrameStart(std::vector<std::uint8_t>& frame_bytes);
  // A new text stream: the kludge lines of the control information at
  // `control`, the `first_text` bytes of text that follow it, and
  // `text_left` more read on from the data file; the closing 0 is dropped.
  bool FillText(const std::uint8_t* control, std::size_t first_text, std::size_t text_left);
  // Reads `count` bytes on from the last read of the data file into the text.
  bool ReadTextInPieces(BaseStream& text, std::size_t count);
  bool Fail(std::int32_t code);
  // A write of the open message failed: it cannot be written again.
  bool WriteFailed();
  // The first `count` bytes of the text (all of a shorter one).
  std::string TextPrefix(std::size_t count);
  // The text cut into the control information and where the body starts.
  squish::SplitMessageText SplitText();
  // Writes the text from `body_start` on and the closing 0 after the last
  // write of the data file; false when a write failed.
  bool WriteFrameBody(std::size_t body_start);
  // Gives a created message unique id `uid`, as the next record of the
  // index (WriteMsg counts it in the base header).
  void NumberNewMessage(std::uint32_t uid);
  // The unique id a new message gets; 0 when none is left.
  std::uint32_t NextFreeUniqueId() const;

  // squish_index_rebuild.cpp
  // The index records of the message frames lying end to end in the data
  // file, in unique-id order. False when the walk does not reach the end of
  // the file exactly, or the frames do not give one record per unique id.
  bool IndexFromFrames(std::vector<squish::SquishIndexRecord>& records);
  // Creates the missing index file (never replacing one) from the frames
  // and makes chains, counts and header match it. False when the frames
  // cannot be indexed (nothing is written then) or a write failed.
  bool RebuildMissingIndex();

  // squish_repair.cpp
  // Whether the base header holds the mark of an update under way.
  bool UpdateMarked() const;
  // Writes the mark into the base header on disk before the first change of
  // this session; false when that write failed (nothing may be changed then).
  // `working`, the copy of the header an update plans on, gets the mark too.
  bool MarkUpdating(squish::SquishBaseHeader& working);
  // Takes the mark out of the header in memory (the next header write, at
  // close, stores the word it replaced).
  void ClearUpdateMark();
  // Rebuilds the chains, counts, end of data and index of a base opened with
  // the mark set. False, leaving the rest as it is, when the frames cannot be
  // walked up to every indexed message.
  bool RepairCutOffUpdate();
  // The same rebuild for chain links found broken while a message is
  // killed; false when the base cannot be rebuilt (or a write failed).
  bool RepairBrokenLinks();

  squish::SquishIndexRecord current_record_;
  squish::SquishFrameHeader current_frame_;
  std::uint32_t current_frame_offset_ = 0;
  squish::SquishBaseHeader base_header_;
  squish::SquishMessageHeader message_header_;
  // Byte position of the current index record; -12 right after the first
  // record was killed, so that SeekNext selects the record now at 0.
  std::int32_t index_pos_ = 0;
  std::unique_ptr<squish::SquishDataFile> data_file_;
  std::unique_ptr<BaseStream> index_file_;

  // The index file's records, in file order.
  std::vector<squish::SquishIndexRecord> index_;
  // The highest unique id the index has held since the base was opened.
  std::uint32_t highest_uid_ = 0;
  MessageState state_ = MessageState::kNone;
  // The open message was read without its text (OpenMsgHeader).
  bool header_only_ = false;
  // This session has marked the header on disk; the word the mark replaced.
  bool update_marked_ = false;
  std::uint16_t reserved_before_mark_ = 0;
  // The open message's unique id and the slot its record had when opened.
  std::uint32_t message_uid_ = 0;
  std::int64_t message_slot_ = -1;
  // How deep the changes under way are nested (0: the lock is not held), and
  // the base header as the file held it when this object last read or wrote
  // it (a created message not yet written is counted only in base_header_).
  int change_depth_ = 0;
  squish::SquishBaseHeader disk_header_;
  // The last kill failed on neighbours that do not link back.
  bool links_broken_ = false;
};

}  // namespace kestrel
