// A message area stored in the JAM format: four files sharing the base path
// as their stem (.JHR headers, .JDX index, .JDT texts, .JLR lastread).
//
// In memory a message is plain FidoNet text in `Text` (kludge lines, body,
// then Via, SEEN-BY and PATH lines), as every format presents it; on disk the
// kludges live in subfields after the message header. OpenMsg turns subfields
// into lines; WriteMsg turns lines back into subfields and stores only the
// body in the .JDT file.
//
// Numbering: message n is index record n - BaseMsgNum. This program keeps the
// index compact (no deleted records), so numbers run without gaps and
// deleting a message renumbers every later one.
//
// A message counts as deleted when its index record's header offset is -1 or
// its header carries the deleted attribute (the way other JAM software
// deletes in place, keeping the index record). Such a message does not exist
// for MsgExists (so seeking passes over it) and cannot be opened. CompactIndex
// (run on open when the index and ActiveMsgs disagree) drops every such
// record; the compaction after KillMsg drops the killed record and, after
// it, the -1 records and the marked headers already seen, without reading
// every header again. It never drops a record before the killed one: the
// numbers a caller already holds stay good. Every compaction lowers the
// lastread pointers of the .JLR file with the renumbering.
//
// Other JAM software (a tosser) may add messages while the base is open: it
// does not see the sharing classes, but it takes the JAM lock, a lock on the
// first byte of the .JHR, while it changes the base. Every change made here
// (opening's recount, writing, deleting, rewriting a header, closing) is made
// under that lock too (jam_change.cpp): the lock is taken, the base header
// is read again, and when it or the index size differs from what this object
// last saw, everything held in memory is dropped and read again; the change
// follows, the base header (ActiveMsgs, ModCounter) is written when it
// changed, and the lock is released. So no change of the other program is
// ever overwritten from a stale copy. The lock is not held between changes,
// which would keep the tosser waiting for the whole run.
//
// Between changes the index is read once (on first use) and kept in memory,
// every write to it going to the file and the copy alike; headers and texts
// are read through windows of the files read ahead in large pieces, and the
// sizes of the files are asked once. Every write to a file drops its window
// and its size, so nothing is ever read from memory that the file no longer
// holds. Records another program appends meanwhile are seen from its next
// change on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "msgbase/fido/fido_address.h"
#include "msgbase/io/base_stream.h"
#include "msgbase/io/read_window.h"
#include "msgbase/jam/deleted_headers.h"
#include "msgbase/jam/jam_base_header.h"
#include "msgbase/jam/jam_index_record.h"
#include "msgbase/jam/jam_layout.h"
#include "msgbase/jam/jam_message_header.h"
#include "msgbase/jam/jam_subfields.h"
#include "msgbase/message_base.h"

namespace kestrel {

class JamBase : public MessageBase {
 public:
  // Closed: no streams, empty base path, message 0.
  JamBase();
  // Closes the open message and the base.
  ~JamBase() override;

  // --- The base (jam_base.cpp, jam_index.cpp, jam_lastread.cpp).
  // Opens the files of path + "." (no second dot when path ends in one).
  // The .JLR file may be missing (other JAM software never creates one):
  // every lastread then reads 0 until one is stored. Fails with 2000h-2002h
  // for a missing .JHR, .JDX or .JDT, 2003h-2005h, 200Fh for a file that
  // exists and cannot be opened (an existing .JLR is never created anew:
  // that would erase every user's lastread), and 2003h for a .JHR shorter
  // than the base header, 2010h when another program keeps the base locked.
  // Compacts the index when its record count differs from ActiveMsgs.
  bool OpenMsgBase(const std::string& path) override;
  // Creates the directories and the four files, and leaves the new base
  // open. No existing file is ever replaced: when one of the files exists
  // already the base is not created (200Ah-200Ch, 200Fh), and files this
  // call created are removed again.
  bool CreateMsgBase(const std::string& path) override;
  // The .JHR, .JDX and .JDT files exist (the .JLR file may be missing).
  bool MsgBaseExists(const std::string& path) override;
  // Writes the base header back when this object changed it since its last
  // change (under the lock, after taking in what others changed) and closes
  // the files.
  void CloseMsgBase() override;
  // BaseMsgNum <= num < BaseMsgNum + ActiveMsgs, the index record is there
  // and neither the record nor the message's header marks it deleted.
  bool MsgExists(std::int32_t num) override;
  // The shared seeking, without walking one by one through the numbers
  // below BaseMsgNum or from GetHighMsgNum on, where no message can exist
  // (a hostile BaseMsgNum near 2^31 would make that walk endless).
  void SeekNext() override;
  void SeekPrior() override;
  std::int32_t GetMsgUid() override;           // the message number
  void SeekMsgUid(std::int32_t uid) override;  // SetMsgNum(uid)
  std::int32_t GetHighMsgNum() override;       // BaseMsgNum + ActiveMsgs
  std::int32_t GetMsgCount() override;         // ActiveMsgs
  // The HighReadMsg of the user's .JLR record; 0 when there is none (also
  // when the base has no .JLR file).
  std::int32_t GetLastRead(std::int32_t user) override;
  // Rewrites the user's record in place, or appends one. A base without a
  // .JLR file gets one here (created new, never replacing a file).
  void SetLastRead(std::int32_t user, std::int32_t num) override;

  // --- The current message (jam_message_read.cpp, jam_message_write.cpp,
  // jam_message_fields.cpp).
  // Loads the current message (GetMsgNum): names, subject and addresses
  // from the subfields, the text with the kludge lines the subfields stand
  // for, and INTL/FMPT/TOPT lines made from the address subfields (for a
  // netmail base). The MSGID line is the stored MSGID subfield as it is. A
  // number that does not exist, or a damaged record, fails with 2006h-2008h
  // and leaves no message open.
  bool OpenMsg() override;
  // As OpenMsg, but the text holds only the kludge lines (the .JDT file is
  // not read).
  bool OpenMsgHeader() override;
  // Releases the text. A message made by CreateMsg and never written no
  // longer counts in ActiveMsgs. False when no message was open.
  bool CloseMsg() override;
  std::string GetFrom() override;
  std::string GetTo() override;
  std::string GetSubj() override;
  // The address subfield (for a new message the address last set), with the
  // parts the kludge lines of the text carry taken from those lines.
  void GetOrigAddr(FidoAddress& addr) override;
  void GetDestAddr(FidoAddress& addr) override;
  void GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest) override;
  // The kludge lines, and the address the subfield is written from.
  void SetOrigAddr(const FidoAddress& addr, bool new_msg_id) override;
  void SetDestAddr(const FidoAddress& addr) override;
  // Kept in memory (at most 255 characters) until WriteMsg.
  void SetFrom(const std::string& s) override;
  void SetTo(const std::string& s) override;
  void SetSubj(const std::string& s) override;
  // Attribute codes without a JAM bit read as false and are not stored.
  bool GetAttr(std::uint32_t code) override;
  void SetAttr(std::uint32_t code, bool on) override;
  // Dates are stored as seconds since 1970 of the local time; "arrived" is
  // the header's DateProcessed.
  void GetDateWritten(MsgDateTime& dt) override;
  void GetDateArrived(MsgDateTime& dt) override;
  void SetDateWritten(const MsgDateTime& dt) override;
  void SetDateArrived(const MsgDateTime& dt) override;
  // Stores the open or new message as a new header (appended to .JHR) with
  // its body (appended to .JDT) and points its index record at it; the old
  // header and text of an opened message stay unreferenced. The text goes
  // first, then the header, then the index record, so that an interrupted
  // write never leaves a record pointing at something incomplete. False
  // (2006h) when a write failed, when no message is open, and for a message
  // opened with OpenMsgHeader (its text lacks the body, which would be lost);
  // 2010h when another program keeps the base locked.
  bool WriteMsg() override;
  // Writes the 76-byte header of the stored current message in place (not
  // its subfields). False (2006h, 2010h) when a write failed or no stored
  // message is current.
  bool RewriteHeader() override;
  // Starts a new message in memory; it becomes message GetHighMsgNum() - 1
  // and the current number is GetHighMsgNum(). Nothing reaches the files
  // before WriteMsg. False (2006h) when no base is open.
  bool CreateMsg() override;
  // Deletes the message last opened or written: sets the deleted attribute
  // in its header, in place, removes its index record (and those of deleted
  // messages after it, never any before it) and renumbers the later
  // messages, lowering the lastread pointers of the .JLR file with them. A
  // current number at or after the killed message steps back by one with
  // them, so that SeekNext goes on with the message that followed. False
  // (2006h, 2010h) when a write failed or no such message is at hand
  // (nothing opened, or it was killed already).
  bool KillMsg() override;

  // --- JAM's own operations.
  // Clears the failure status of every stream (a failure must not block
  // the next operation).
  void ResetFiles();
  // Flushes the streams (makes them durable); false when one failed.
  bool FlushFiles(std::initializer_list<BaseStream*> streams);
  // Removes every index record that marks a deleted message (header offset
  // -1, or a header with the deleted attribute) and every record that repeats
  // the header offset of the record before it (what a compaction cut off by
  // a crash leaves at the end of the index); ActiveMsgs becomes the
  // number of records kept. The kept records keep their order. An index that
  // cannot be read whole is left as it is.
  void CompactIndex();
  // The n-th subfield (n counts from 1) of the current message: its id and
  // at most 255 bytes of data. False when there is no n-th subfield.
  bool GetSubfield(int n, std::uint16_t& id, std::string& data);
  // Appends a subfield (data cut to 255 bytes) to the current message. Once
  // one does not fit in the 12288-byte area, it and every later one are
  // dropped (false), so the stored subfields are always whole and in order.
  bool AddSubfield(std::uint16_t id, const std::string& data);

 private:
  // Changes under the JAM lock (jam_change.cpp). BeginChange takes the lock
  // (waiting a bounded time) and takes in what another program changed; false
  // with 2010h when the lock stays taken, or 2003h when the base header cannot
  // be read. Nested calls only count. EndChange writes the base header when
  // it differs from the file's and releases the lock; false when that write
  // failed.
  bool BeginChange();
  bool EndChange();
  bool TakeInOtherChanges();
  // The base header as the file holds it: without a created message pending.
  jam::JamBaseHeader HeaderWithoutPending() const;
  // Finds the index record of the stored message at hand again, after
  // another program changed the index; false when it has none any more.
  bool LocateStoredMessage();
  // The parts of KillMsg and WriteMsg made under the lock.
  bool KillStoredMessage();
  // Sets the deleted attribute of the current message's header, in place
  // in the .JHR file and in memory. The result is that write's, or `counted`
  // (the lowered ActiveMsgs' write) when there is no header to mark: a base
  // header that did not reach the file is written again, and its failure
  // reported, when the change ends.
  bool MarkHeaderDeleted(bool counted);
  // After a kill's compaction: the current number (index position
  // `current_record`) steps back by every removed record at or before it.
  void StepBackOverRemoved(std::int64_t current_record, const std::vector<std::size_t>& removed);
  bool StoreMessage();

  // Files and numbering.
  bool BaseIsOpen() const;
  // Opens the .JHR, .JDX and .JDT files and an existing .JLR file; 0, or
  // the error code of the first that does not open.
  std::int32_t OpenFiles();
  // The .JLR stream, opened (and the file created new when there is none)
  // on first need; false when that fails.
  bool OpenLastReadFile();
  std::string FileName(const char* extension) const;
  std::int32_t ActiveMsgs() const;
  void SetActiveMsgs(std::int32_t value);
  // Whether the files at the path (with its final full stop) are what a
  // creation cut off before the base header was written leaves: some of the
  // four files, a header file shorter than its header, the others empty.
  static bool CreationCutOff(const std::string& dotted_path);
  // Writes the base header (ActiveMsgs and the other counters) to the file.
  bool WriteBaseHeader();
  std::int32_t BaseMsgNum() const;
  // The number of the first index record. Numbers below 1 mean "no
  // message" to every caller (a scan's current number, a lastread), so a
  // base whose BaseMsgNum is 0 (or less) has its records numbered from 1.
  std::int32_t FirstMsgNum() const;
  // Byte offset of message num's index record; -1 when num has none.
  std::int64_t IndexOffsetOf(std::int32_t num);
  // The index file's whole records, read into index_records_ when they are
  // not there yet. False when the file cannot be read whole.
  bool LoadIndexRecords();
  // The record at a byte offset of the index; false when the file has no
  // whole record there (or cannot be read).
  bool ReadIndexRecord(std::int64_t offset, jam::JamIndexRecord& record);
  // Keeps the copy of the index in step with a record written to the file
  // at `offset` (ok: the write worked; otherwise the copy is read again).
  void NoteIndexRecordWritten(std::int64_t offset, const jam::JamIndexRecord& record, bool ok);
  // The sizes of the header and text files, asked of the files once.
  std::int32_t HeaderFileSize();
  std::int32_t TextFileSize();
  // A write to the header or text file: its window and size are dropped.
  void NoteHeaderFileWritten();
  void NoteTextFileWritten();
  // Drops every copy of file contents and sizes.
  void ForgetFileCopies();
  // Drops the index held in memory: it is read again when next needed.
  void ForgetIndexCopy();
  bool HeaderMarkedDeleted(std::int32_t header_offset);
  // Compaction; check_headers reads every header's attribute (after another
  // program has changed the base), otherwise only the records marked -1 and
  // the headers already seen deleted are dropped. Records before `from` are
  // never dropped, so their messages keep their numbers. `removed` (when
  // given) receives the positions the dropped records had in the index, in
  // ascending order.
  bool CompactIndexRecords(bool check_headers, std::size_t from = 0,
                           std::vector<std::size_t>* removed = nullptr);
  // The walk of a compaction over every record from `from` on, and the one
  // over the records noted since the last walk (see index_swept_); both
  // list the records they drop in `dropped`.
  void WalkIndex(bool check_headers, std::size_t from, std::size_t& kept,
                 std::vector<std::size_t>& dropped);
  void DropNotedRecords(std::size_t from, std::size_t& kept, std::vector<std::size_t>& dropped);
  // Lowers every .JLR record's LastReadMsg and HighReadMsg by the number of
  // dropped records (positions in the index before the compaction) numbered
  // at or below it, so that each pointer names the same message as before.
  void LowerLastReads(const std::vector<std::size_t>& dropped);
  // A record (at a byte offset of the index) the next compaction may drop.
  void NoteRecordToDrop(std::int64_t offset);
  void DisposeFiles();
  void ForgetMessage();

  // The subfield area, right behind the header's bytes in header_record_.
  std::uint8_t* Subfields() { return header_record_.data() + jam::kMsgHeaderSize; }

  // Reading (jam_message_read.cpp). LoadMessage runs the steps below in
  // order; each step that fails records its code through FailLoad, which
  // leaves no message open.
  bool LoadMessage(bool with_body);
  bool FailLoad(std::int32_t code);
  // The current number's index record (index_pos_, index_record_).
  bool ReadCurrentIndexRecord();
  // The header it points at and the subfields behind it, as far as
  // SubfieldLen and the file reach (header_offset_, msg_header_,
  // subfield_bytes_). A header marked deleted fails like a bad offset.
  bool ReadHeaderWithSubfields();
  // Names, subject and addresses from the subfields.
  void TakeHeaderFields(const std::vector<jam::Subfield>& fields);
  // The kludge lines of the subfields that stand before the body.
  void PutLinesBeforeBody(const std::vector<jam::Subfield>& fields);
  // The body from the .JDT file (TxtOffset, TxtLen cut to the file), ended
  // by a carriage return when `close_last_line` and its last line is open.
  bool ReadBody(std::int32_t text_file_size, bool close_last_line);
  // Whether the text written so far ends in an open line.
  bool TextEndsInOpenLine(std::int64_t body_length);
  // The Via, SEEN-BY and PATH lines of the subfields, after the body.
  void PutLinesAfterBody(const std::vector<jam::Subfield>& fields);
  void RegenerateAddressKludges();

  // Writing (jam_message_write.cpp). StoreMessage runs the steps below in
  // order: the header's subfields, the body (with the kludge lines turned
  // into subfields), the header, the index record, the counters.
  void AddHeaderSubfields();
  // Writes the body to the .JDT file at its position and the kludge lines
  // of the text as subfields; `body_length` counts the bytes written. False
  // when a write failed.
  bool StoreTextAsSubfields(std::int64_t& body_length);
  // A kludge line (its first 255 characters) becomes a subfield; INTL, FMPT
  // and TOPT lines are dropped. False for a body line.
  bool AddLineSubfield(const std::string& line);
  // The byte offset of the index record the message is stored under; a new
  // message gets its number there.
  std::int32_t NumberStoredRecord(std::int32_t index_size);
  // The header and subfields, appended at `header_at`, made durable with
  // the text.
  bool WriteHeaderRecord(std::int32_t header_at, std::size_t header_length);
  // The index record pointing at the header, made durable.
  bool WriteStoredIndexRecord(std::int32_t record_at, std::int32_t header_at);
  // ModCounter, and for a new message ActiveMsgs on disk.
  bool CountStoredMessage();

  // Records `code` in LastError; false.
  bool Fail(std::int32_t code);

  std::unique_ptr<BaseStream> last_read_file_;
  jam::JamBaseHeader base_header_;
  // The current message's header in the .JHR file, and its index record at
  // byte offset index_pos_ of the .JDX file.
  std::int32_t header_offset_ = 0;
  jam::JamIndexRecord index_record_;
  std::int32_t index_pos_ = 0;
  FidoAddress orig_addr_;
  FidoAddress dest_addr_;
  std::string from_;
  std::string to_;
  std::string subject_;
  jam::JamMessageHeader msg_header_;
  // Room for the header's 76 bytes followed directly by the subfield area
  // (`Subfields`), so that both are read and written in one piece; the
  // header's bytes are encoded from msg_header_ right before a write.
  std::array<std::uint8_t, jam::kHeaderWithSubfieldsSize> header_record_{};
  std::unique_ptr<BaseStream> header_file_;
  std::unique_ptr<BaseStream> index_file_;
  std::unique_ptr<BaseStream> text_file_;

  // How many bytes of the subfield area hold real data (read from the file
  // or appended): subfields are never taken from beyond them.
  std::size_t subfield_bytes_ = 0;
  // A subfield did not fit: the later ones of this message are dropped.
  bool subfields_full_ = false;
  // index_pos_ and header_offset_ describe a message that is in the files (it
  // was opened or written, and not killed since).
  bool stored_message_ = false;
  // The open message was loaded without its body.
  bool header_only_ = false;
  // CreateMsg counted a new message in ActiveMsgs that is not written yet.
  bool created_pending_ = false;
  // Header offsets seen carrying the deleted attribute since the base was
  // opened; compaction drops their index records.
  jam::DeletedHeaders deleted_headers_;

  // The whole records of the index file, when index_loaded_.
  std::vector<std::uint8_t> index_records_;
  bool index_loaded_ = false;
  // The last compaction walked every record and left no two naming one
  // header: from then on only the records noted in unswept_records_ (by
  // their number in the index) can be ones a compaction drops.
  bool index_swept_ = false;
  std::vector<std::size_t> unswept_records_;
  // Sizes of the .JHR and .JDT files; -1 until asked.
  std::int32_t header_file_size_ = -1;
  std::int32_t text_file_size_ = -1;
  ReadWindow header_window_;
  ReadWindow text_window_;
  // How deep the changes under way are nested (0: the lock is not held), and
  // the base header as the file held it when this object last read or wrote
  // it.
  int change_depth_ = 0;
  jam::JamBaseHeader locked_header_;
};

}  // namespace kestrel
