// The message-area object: one interface for every storage format.
//
// `MessageBase` holds what all formats share (current message number, the
// text of the open message, mail-type flags, last error, base path) and a
// fixed table of virtual operations. The formats (Squish, JAM, *.MSG) derive
// from it and replace the operations that depend on their files; the text,
// kludge and address-kludge operations are implemented here once for all.
//
// The virtual operations are declared below in their fixed slot order
// (slot 0 is the destructor). An operation whose default is "stop" raises
// run-time failure 217 (kFailureAbstractCall): only the formats provide it.
//
// Nothing here throws for ordinary failures: operations return booleans and
// leave a code in `LastError`. The text operations need a `Text` stream (the
// formats install one while a message is open or created); called without
// one they raise run-time failure 210 (object not initialised) instead of
// touching memory that is not there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "msgbase/io/base_stream.h"
#include "msgbase/fido/date_time.h"
#include "msgbase/fido/fido_address.h"

namespace kestrel {

class MemStream;

// Run-time failure raised by a text operation called while no text exists.
inline constexpr int kFailureObjectNotInitialized = 210;

// Mail-type flags (`MailFlags`), one bit each.
inline constexpr std::uint32_t MailFlagNetmail = 0x1;
inline constexpr std::uint32_t MailFlagEchomail = 0x2;
inline constexpr std::uint32_t MailFlagLocal = 0x4;

// Arguments of `SetMailType`.
inline constexpr std::uint8_t MailTypeNetmail = 0;
inline constexpr std::uint8_t MailTypeEchomail = 1;
inline constexpr std::uint8_t MailTypeLocal = 2;

// Attribute codes: the one attribute vocabulary of the interface. Each format
// maps them to its own bits and ignores the codes it has no bit for. The
// attribute operations take one code (one bit) at a time.
inline constexpr std::uint32_t AttrPrivate = 0x0001;
inline constexpr std::uint32_t AttrCrash = 0x0002;
inline constexpr std::uint32_t AttrReceived = 0x0004;
inline constexpr std::uint32_t AttrSent = 0x0008;
inline constexpr std::uint32_t AttrFileAttached = 0x0010;
inline constexpr std::uint32_t AttrInTransit = 0x0020;
inline constexpr std::uint32_t AttrOrphan = 0x0040;
inline constexpr std::uint32_t AttrKillSent = 0x0080;
inline constexpr std::uint32_t AttrLocal = 0x0100;
inline constexpr std::uint32_t AttrHold = 0x0200;
inline constexpr std::uint32_t AttrFileRequest = 0x0400;
inline constexpr std::uint32_t AttrReceiptRequest = 0x0800;
inline constexpr std::uint32_t AttrIsReceipt = 0x1000;
inline constexpr std::uint32_t AttrAuditRequest = 0x2000;
inline constexpr std::uint32_t AttrUpdateRequest = 0x4000;
inline constexpr std::uint32_t AttrScanned = 0x8000;

// `LastError` ranges: each format records codes from its own range only.
inline constexpr std::int32_t ErrorRangeMsgDirFirst = 0x1000;
inline constexpr std::int32_t ErrorRangeMsgDirLast = 0x10FF;
inline constexpr std::int32_t ErrorRangeJamFirst = 0x2000;
inline constexpr std::int32_t ErrorRangeJamLast = 0x20FF;
inline constexpr std::int32_t ErrorRangeSquishFirst = 0x3000;
inline constexpr std::int32_t ErrorRangeSquishLast = 0x30FF;

// Size of the scratch line buffer of the kludge operations: they recognise
// lines of up to LineBufferSize - 1 characters.
inline constexpr std::uint16_t LineBufferSize = 16384;
// The size hint every caller gives the memory-stream factory.
inline constexpr std::int32_t MemStreamHint = 65536;
// The zone the *.MSG format assumes when a message names none.
inline constexpr std::int16_t DefaultZone = 2;

// The largest message text OpenMsg takes into memory: 64 MB. A larger
// message is refused (TextTooLarge tells so) and left as it is, so that one
// huge or damaged message cannot exhaust the memory of every run.
inline constexpr std::int64_t MaxTextSize = 64 * 1024 * 1024;

// Longest line `GetTextLine` delivers.
inline constexpr std::uint16_t TextLineLimit = 255;
// Size of the buffer `GetKludge` searches with (lines of up to 254 characters).
inline constexpr std::uint16_t KludgeLineBufferSize = 255;
// Longest origin line `WriteOrigin` writes.
inline constexpr int OriginLineLimit = 79;

// Kludge names: the prefix that finds, replaces and deletes each line.
inline constexpr char KludgeMsgId[] = "\x01MSGID:";
inline constexpr char KludgeIntl[] = "\x01INTL";
inline constexpr char KludgeFmpt[] =
    "\x01"
    "FMPT";
inline constexpr char KludgeTopt[] = "\x01TOPT";

class MessageBase {
 public:
  // Init: no text, no flags, no error, not opened, message 0, empty path.
  MessageBase();
  MessageBase(const MessageBase&) = delete;
  MessageBase& operator=(const MessageBase&) = delete;

  // Slot 0 (Done). The formats close the open message and the base first.
  virtual ~MessageBase();

  // --- Base (slots 1-5): stop.
  virtual bool OpenMsgBase(const std::string& path);
  virtual bool CreateMsgBase(const std::string& path);
  virtual bool MsgBaseExists(const std::string& path);
  virtual void CloseMsgBase();
  virtual bool MsgExists(std::int32_t num);

  // --- Current message and seeking (slots 6-12).
  virtual std::int32_t GetMsgNum();  // CurrentMsg
  // Default seeking walks message numbers through `MsgExists` and
  // `GetHighMsgNum`; CurrentMsg is 0 when it runs off either end.
  virtual void SeekFirst(std::int32_t num);
  virtual void SeekNext();
  virtual void SeekPrior();
  virtual bool SeekFound();                   // CurrentMsg != 0
  virtual std::int32_t GetMsgUid();           // stop
  virtual void SeekMsgUid(std::int32_t uid);  // stop

  // --- Open message (slots 13-20): stop.
  virtual bool OpenMsg();
  virtual bool OpenMsgHeader();
  virtual bool CloseMsg();
  virtual std::int32_t GetHighMsgNum();
  virtual std::int32_t GetMsgCount();
  virtual std::string GetFrom();
  virtual std::string GetTo();
  virtual std::string GetSubj();

  // --- Addresses (slots 21-23). The defaults scan the kludge lines of the
  // text from its start: MSGID, INTL and FMPT for the origin, INTL and TOPT
  // for the destination, later lines overriding earlier ones. The address is
  // not cleared first. The text position is left at the end of the text.
  virtual void GetOrigAddr(FidoAddress& addr);
  virtual void GetDestAddr(FidoAddress& addr);
  virtual void GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest);

  // --- Names (slots 24-26): stop.
  virtual void SetFrom(const std::string& s);
  virtual void SetTo(const std::string& s);
  virtual void SetSubj(const std::string& s);

  // --- Address setters (slots 27-29). SetOrigAddr writes the MSGID line
  // (keeping the old serial unless new_msg_id) and, for netmail only, the
  // INTL and FMPT lines; SetDestAddr writes INTL and TOPT for netmail only.
  virtual void SetOrigAddr(const FidoAddress& addr, bool new_msg_id);
  virtual void SetDestAddr(const FidoAddress& addr);
  virtual void SetOrigDestAddr(const FidoAddress& orig, const FidoAddress& dest, bool new_msg_id);

  // --- Text lines and the text stream (slots 30-40).
  // Reads the next line into buf: at most size - 1 characters and a zero
  // byte (nothing at all when size is 0). A line ends at a carriage return
  // or a zero byte; a line feed right after that terminator is skipped. The
  // rest of an over-long line is skipped. At the end of the text: "".
  virtual void GetTextLineZ(char* buf, std::uint16_t size);
  // The next line, at most TextLineLimit characters.
  virtual void GetTextLine(std::string& s);
  // Writes p and a carriage return at the text position.
  virtual void PutTextLineZ(const char* p);
  // Writes s (up to its first zero byte, if any) and a carriage return.
  virtual void PutTextLine(const std::string& s);
  virtual bool EndOfText();
  virtual void SetTextPos(std::int32_t pos);
  virtual std::int32_t GetTextPos();
  virtual std::int32_t GetTextSize();
  virtual void TruncateText();
  virtual void ReadTextBlock(void* buf, std::uint16_t count);
  virtual void WriteTextBlock(const void* buf, std::uint16_t count);

  // --- Attributes, dates, storing (slots 41-48): stop.
  virtual bool GetAttr(std::uint32_t code);
  virtual void SetAttr(std::uint32_t code, bool on);
  virtual void GetDateWritten(MsgDateTime& dt);
  virtual void GetDateArrived(MsgDateTime& dt);
  virtual void SetDateWritten(const MsgDateTime& dt);
  virtual void SetDateArrived(const MsgDateTime& dt);
  virtual bool WriteMsg();
  virtual bool RewriteHeader();

  // --- Kludge lines (slots 49-56).
  // Finds the first line that begins with name (case-sensitive; an empty
  // name matches the first line), reading lines into buf/size. On success
  // KludgeStart/KludgeEnd hold the line's offsets (KludgeEnd after its
  // terminator) and the position is after it; otherwise the position is at
  // the end of the text and buf holds the last line read.
  virtual bool FindKludgeZ(const char* name, char* buf, std::uint16_t size);
  // As FindKludgeZ with a KludgeLineBufferSize buffer. When nothing is
  // found, line is the last line of the text (cut to 254 characters) or ""
  // for an empty text.
  virtual bool GetKludge(const std::string& name, std::string& line);
  // Replaces the first line beginning with name by line, or adds line when
  // there is none.
  virtual void SetKludgeZ(const char* name, const char* line);
  virtual void SetKludge(const std::string& name, const std::string& line);
  // Removes the first line beginning with name; nothing when there is none.
  virtual void DeleteKludgeZ(const char* name);
  virtual void DeleteKludge(const std::string& name);
  // Inserts line at GetKludgeInsertPos. The position ends at the end of the
  // text.
  virtual void AddKludgeZ(const char* line);
  virtual void AddKludge(const std::string& line);

  // --- Accessors (slots 57-61).
  virtual BaseStream* GetTextStream();  // still owned by this object
  virtual void SetMailFlag(std::uint32_t mask, bool on);
  virtual bool HasMailFlag(std::uint32_t mask);  // all bits of mask set
  // Update an address from one kludge line (MSGID, INTL or FMPT for the
  // origin; INTL or TOPT for the destination). Malformed words change
  // nothing or only the parts they give.
  virtual void ParseOrigKludge(const std::string& line, FidoAddress& addr);
  virtual void ParseDestKludge(const std::string& line, FidoAddress& addr);

  // --- Messages and lastread (slots 62-65): stop.
  virtual bool CreateMsg();
  virtual bool KillMsg();
  virtual std::int32_t GetLastRead(std::int32_t user);
  virtual void SetLastRead(std::int32_t user, std::int32_t num);

  // --- Slots 66-76.
  // Sets the flag of mail type t (MailTypeNetmail, ...) and clears the other
  // two; any other t clears all three.
  virtual void SetMailType(std::uint8_t t);
  // Writes " * Origin: " + text + " (" + address + ")" at the text position,
  // text cut so the line has at most OriginLineLimit characters.
  virtual void WriteOrigin(const FidoAddress& addr, const std::string& text);
  // Offset after the first run of kludge lines (before the first ordinary
  // line that follows a kludge line), or the text size.
  virtual std::int32_t GetKludgeInsertPos();
  // Disposes the current text (if any) and adopts stream (may be null).
  virtual void SetTextStream(std::unique_ptr<BaseStream> stream);
  virtual void SetLastError(std::int32_t code);
  virtual std::int32_t GetLastError();
  virtual void SetOpened(bool b);
  virtual bool IsOpened();
  virtual void SetMsgNum(std::int32_t num);
  virtual void SetBasePath(const std::string& s);
  virtual std::string GetBasePath();

  // Not virtual: the present local time as both dates (formats call it from
  // CreateMsg).
  void SetDatesNow();

  // Not virtual: hands the text of the open message over to the caller (a
  // copy that takes it whole instead of copying it); the message then has
  // no text. Null when there is none.
  std::unique_ptr<BaseStream> TakeTextStream() { return std::move(Text); }

  // Not virtual: whether the last OpenMsg failed because the message's text
  // is larger than MaxTextSize.
  bool TextTooLarge() const { return text_too_large_; }

  // Not virtual: whether the open message could only be opened for reading
  // (a read-only file or file system): it can be copied, but neither
  // changed nor deleted.
  bool MsgReadOnly() const { return msg_read_only_; }

 protected:
  // The stream the text operations work on: Text, or for a view the stream
  // it reads. Raises failure 210 when there is none.
  BaseStream& TextStream();
  // Lets a view read a stream it does not own; null for none.
  void SetBorrowedText(BaseStream* stream);
  // Formats note here whether the message OpenMsg refused is too large.
  void SetTextTooLarge(bool too_large) { text_too_large_ = too_large; }
  // Formats that fall back to reading a message they cannot write note it here.
  void SetMsgReadOnly(bool read_only) { msg_read_only_ = read_only; }

  // Offsets of the line last found by FindKludgeZ: its start, and the
  // offset just after its terminator (and a line feed after that).
  std::int32_t KludgeStart = 0;
  std::int32_t KludgeEnd = 0;
  std::int32_t LastError = 0;
  bool Opened = false;
  std::uint32_t MailFlags = 0;
  std::int32_t CurrentMsg = 0;
  // The text of the open message: kludge lines and body, lines ended by a
  // carriage return. Owned; null when no message is open.
  std::unique_ptr<BaseStream> Text;
  std::string BasePath;

 private:
  // Copies the text from `from` to its end into a buffer, writes `line`
  // (when not null) at `at`, puts the saved bytes back and truncates.
  void ReplaceTextRange(std::int32_t at, std::int32_t from, const char* line);
  // Runs the origin (MSGID, INTL, FMPT) and destination (INTL, TOPT) kludge
  // scan over the whole text; either address may be null.
  void ScanAddressKludges(FidoAddress* orig, FidoAddress* dest);
  // The same scan over a text in memory, read in one piece.
  void ScanAddressKludgesOf(MemStream& text, FidoAddress* orig, FidoAddress* dest);
  // FindKludgeZ over a text in memory, read in one piece.
  bool FindKludgeIn(MemStream& text, const char* name, std::size_t name_length, char* buf,
                    std::uint16_t size);
  // GetKludgeInsertPos over a text in memory, read in one piece.
  std::int32_t KludgeInsertPosIn(MemStream& text);
  // GetTextLineZ, returning how many characters it stored.
  std::size_t ReadTextLine(char* buf, std::uint16_t size);
  // Whether the text is empty or its last line is ended by a terminator.
  // Leaves the position at the end of the text.
  bool TextEndsWithTerminator();

  BaseStream* borrowed_text_ = nullptr;
  bool text_too_large_ = false;
  bool msg_read_only_ = false;
};

}  // namespace kestrel
