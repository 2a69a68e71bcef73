// A *.MSG message area: a directory in which every message is one file named
// after its number (1.MSG, 2.MSG, ...), plus a file "lastread" holding the
// users' lastread pointers as 16-bit little-endian numbers.
//
// Opening or creating the area lists the directory once and keeps the message
// numbers found in a fixed in-memory set (numbers 1 to 61439); only regular
// files named "<n>.msg" are messages (see SkippedEntries). Navigation and
// MsgExists work on that set only and never touch the disk. Files that other
// programs add later are seen at the next open.
//
// A message file is a 190-byte header (msg_header.h), the text, and a
// closing 0. The open message keeps its file open, exclusively, until
// CloseMsg; its header lives in memory byte for byte and its text in a
// memory stream. Setters change only memory: nothing reaches the file before
// WriteMsg or RewriteHeader.
//
// Zones and points are not in the header: they come from the kludge lines
// (INTL, FMPT, TOPT, MSGID), and a message that names no zone is taken to be
// in zone DefaultZone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "msgbase/io/base_stream.h"
#include "msgbase/message_base.h"
#include "msgbase/msgdir/msg_header.h"
#include "msgbase/msgdir/msg_listing_cache.h"
#include "msgbase/msgdir/msg_number_set.h"

namespace kestrel {

class MsgDirBase : public MessageBase {
 public:
  MsgDirBase();
  // Closes the open message and the area.
  ~MsgDirBase() override;

  // --- The area.
  // Stores the path with a trailing separator, then lists the directory.
  // False with msgdir::kErrorNoDirectory when it does not exist.
  bool OpenMsgBase(const std::string& path) override;
  // Creates the directory with its parents, then lists it. False with
  // msgdir::kErrorNoDirectory when the directory cannot be made.
  bool CreateMsgBase(const std::string& path) override;
  bool MsgBaseExists(const std::string& path) override;
  // Empty path, not opened; the number set keeps its contents.
  void CloseMsgBase() override;
  bool MsgExists(std::int32_t num) override;
  // Same results as the default walk, but gaps are skipped a word of the
  // number set at a time.
  void SeekNext() override;
  void SeekPrior() override;
  std::int32_t GetMsgUid() override;           // the message number
  void SeekMsgUid(std::int32_t uid) override;  // SetMsgNum
  std::int32_t GetHighMsgNum() override;
  std::int32_t GetMsgCount() override;

  // --- Messages.
  bool OpenMsg() override;
  // Header and only the kludge lines at the start of the text.
  bool OpenMsgHeader() override;
  bool CloseMsg() override;
  // False when no message is open, when the text is only the leading kludge
  // lines (after OpenMsgHeader: writing would cut off the body), or when a
  // write to the file failed.
  bool WriteMsg() override;
  // False when no message is open or the write failed.
  bool RewriteHeader() override;
  // The next number after the highest; never replaces an existing file.
  bool CreateMsg() override;
  bool KillMsg() override;

  // --- Header fields of the open message.
  std::string GetFrom() override;
  std::string GetTo() override;
  std::string GetSubj() override;
  // Names longer than 35 characters and subjects longer than 71 are cut.
  void SetFrom(const std::string& s) override;
  void SetTo(const std::string& s) override;
  void SetSubj(const std::string& s) override;
  void GetOrigAddr(FidoAddress& addr) override;
  void GetDestAddr(FidoAddress& addr) override;
  void GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest) override;
  void SetOrigAddr(const FidoAddress& addr, bool new_msg_id) override;
  void SetDestAddr(const FidoAddress& addr) override;
  void SetOrigDestAddr(const FidoAddress& orig, const FidoAddress& dest, bool new_msg_id) override;
  bool GetAttr(std::uint32_t code) override;
  void SetAttr(std::uint32_t code, bool on) override;
  void GetDateWritten(MsgDateTime& dt) override;
  void GetDateArrived(MsgDateTime& dt) override;
  void SetDateWritten(const MsgDateTime& dt) override;
  void SetDateArrived(const MsgDateTime& dt) override;

  // --- Lastread pointers (users from 0).
  std::int32_t GetLastRead(std::int32_t user) override;
  void SetLastRead(std::int32_t user, std::int32_t num) override;

  // The file of message `num`: base path, the number, ".MSG".
  std::string MessageFileName(std::int32_t num);

  // What the last listing of the directory left out. Only a regular file
  // named "<n>.msg" (n a decimal number above 0 without sign, spaces or
  // leading zeros; ".msg" in any case) is a message. SkippedEntries counts
  // the other entries whose name reads as a number the way older software
  // read it (00017.msg, " 17.msg", +17.msg, 17.5.msg) and the message names
  // that are no regular file (links, directories, devices, FIFOs); names
  // such as README.MSG or 0.MSG are not counted. MessagesBeyondLimit counts
  // the message files numbered kMsgNumberLimit or above, which the number set
  // cannot hold and a scan never visits.
  std::int32_t SkippedEntries() const { return listing_.skipped; }
  std::int32_t MessagesBeyondLimit() const { return listing_.beyond_limit; }

 private:
  // Stores the path with a trailing separator; clears the open flag.
  void NormalisePath(const std::string& path);
  // Lists the directory and rebuilds the number set and the highest number;
  // false (and an empty set) when the directory could not be listed.
  bool ScanNumbers();
  // Takes one entry the listing found into the number set, or counts it as
  // skipped.
  void ListEntry(const std::string& name, bool regular_file);
  // The current message's file opened with `mode`, by its listed name or
  // else by the name the file layer looks up; null when neither opens.
  std::unique_ptr<BaseStream> OpenCurrentFile(std::uint32_t mode);
  // The name to open message `num` by: the spelling of the one file the
  // listing took for it, else (several files whose names differ in case, or
  // a path with "." or ".." parts) MessageFileName, whose spelling the file
  // layer looks up. Naming the file as it is spares the case-insensitive
  // look-up of every component of the path on every open, and never lands
  // on an entry that is no message (a link or a directory spelled
  // "<n>.MSG" beside the message "<n>.Msg").
  std::string FileNameToOpen(std::int32_t num);
  // Opens the current message's file and a fresh text stream and reads the
  // header. False (with the error code set) when either cannot be made.
  bool OpenMessageFile();
  // Reads the text after the header into the text stream; false when a read
  // failed.
  bool ReadWholeText();
  // Appends the kludge lines at the start of the text to the text stream.
  void ReadLeadingKludges();
  // Creates the next free message file; false when none could be created.
  bool CreateNextMessageFile();
  // Brings the FLAGS kludge line in step with one attribute's name.
  void KeepFlagsLine(std::string_view name, bool on);

  // The numbers found in the directory: the message files, the highest
  // number, and the spellings of their names.
  MsgDirListing listing_;
  // The directory as the file layer resolves it, with a trailing separator;
  // empty when its spelling is not taken (a path with "." or ".." parts).
  std::string directory_spelling_;
  // The file of the open message; null when none is open.
  std::unique_ptr<BaseStream> message_file_;
  MsgHeader header_;
  // The size of the open message's file when it was opened (the file is
  // held exclusively, so the text is read by it without asking again).
  std::int32_t opened_size_ = 0;
  // The open message was read with OpenMsgHeader: its text lacks the body.
  bool header_only_ = false;
};

}  // namespace kestrel
