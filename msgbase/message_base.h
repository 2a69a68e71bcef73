// The message-area object: one interface for every storage format.
//
// `MessageBase` holds what all formats share (current message number, the
// text of the open message, mail-type flags, last error, base path). The
// formats (Squish, JAM, *.MSG) derive from it and provide the operations of
// `MessageFormat`, which depend on their files. The text, kludge and
// address-kludge operations are the same for every format: the base hands
// them to its `MessageText`; the address operations read and write the
// kludge lines through the object's own, possibly format-specific,
// operations.
//
// Nothing here throws for ordinary failures: operations return booleans and
// leave a code in `GetLastError`. The text operations need a text stream
// (the formats install one while a message is open or created); called
// without one they raise run-time failure 210 (kFailureObjectNotInitialized)
// instead of touching memory that is not there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "msgbase/fido/date_time.h"
#include "msgbase/fido/fido_address.h"
#include "msgbase/io/base_stream.h"
#include "msgbase/message_format.h"
#include "msgbase/text/kludge_names.h"
#include "msgbase/text/message_text.h"

namespace kestrel {

// Mail-type flags, one bit each (SetMailFlag, HasMailFlag).
inline constexpr std::uint32_t kMailFlagNetmail = 0x1;
inline constexpr std::uint32_t kMailFlagEchomail = 0x2;
inline constexpr std::uint32_t kMailFlagLocal = 0x4;

// Arguments of `SetMailType`.
inline constexpr std::uint8_t kMailTypeNetmail = 0;
inline constexpr std::uint8_t kMailTypeEchomail = 1;
inline constexpr std::uint8_t kMailTypeLocal = 2;

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

// Ranges of the codes GetLastError reports: each format records codes from
// its own range only.
inline constexpr std::int32_t kErrorRangeMsgDirFirst = 0x1000;
inline constexpr std::int32_t kErrorRangeMsgDirLast = 0x10FF;
inline constexpr std::int32_t kErrorRangeJamFirst = 0x2000;
inline constexpr std::int32_t kErrorRangeJamLast = 0x20FF;
inline constexpr std::int32_t kErrorRangeSquishFirst = 0x3000;
inline constexpr std::int32_t kErrorRangeSquishLast = 0x30FF;

// The size hint every caller gives the memory-stream factory.
inline constexpr std::int32_t MemStreamHint = 65536;
// The zone the *.MSG format assumes when a message names none.
inline constexpr std::int16_t DefaultZone = 2;

// The largest message text OpenMsg takes into memory: 64 MB. A larger
// message is refused (TextTooLarge tells so) and left as it is, so that one
// huge or damaged message cannot exhaust the memory of every run.
inline constexpr std::int64_t kMaxTextSize = 64 * 1024 * 1024;

class MessageBase : public MessageFormat {
 public:
  // No text, no flags, no error, not opened, message 0, empty path.
  MessageBase();
  MessageBase(const MessageBase&) = delete;
  MessageBase& operator=(const MessageBase&) = delete;

  // The formats close the open message and the base first.
  ~MessageBase() override;

  // --- Current message and seeking.
  virtual std::int32_t GetMsgNum();
  // Default seeking walks message numbers through `MsgExists` and
  // `GetHighMsgNum`; the current message is 0 when it runs off either end.
  virtual void SeekFirst(std::int32_t num);
  virtual void SeekNext();
  virtual void SeekPrior();
  virtual bool SeekFound();  // a message is current

  // --- Addresses. The defaults scan the kludge lines of the text from its
  // start: MSGID, INTL and FMPT for the origin, INTL and TOPT for the
  // destination, later lines overriding earlier ones. The address is not
  // cleared first. The text position is left at the end of the text.
  virtual void GetOrigAddr(FidoAddress& addr);
  virtual void GetDestAddr(FidoAddress& addr);
  virtual void GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest);

  // SetOrigAddr writes the MSGID line (keeping the old serial unless
  // new_msg_id) and, for netmail only, the INTL and FMPT lines; SetDestAddr
  // writes INTL and TOPT for netmail only. Each reads the other address
  // through the object's own GetDestAddr / GetOrigAddr.
  virtual void SetOrigAddr(const FidoAddress& addr, bool new_msg_id);
  virtual void SetDestAddr(const FidoAddress& addr);
  virtual void SetOrigDestAddr(const FidoAddress& orig, const FidoAddress& dest, bool new_msg_id);

  // --- Text lines and the text stream (see MessageText).
  // Reads the next line into buf: at most size - 1 characters and a zero
  // byte (nothing at all when size is 0). A line ends at a carriage return
  // or a zero byte; a line feed right after that terminator is skipped. The
  // rest of an over-long line is skipped. At the end of the text: "".
  virtual void GetTextLineZ(char* buf, std::uint16_t size);
  // The next line, at most kTextLineLimit characters.
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

  // --- Kludge lines.
  // Finds the first line that begins with name (case-sensitive; an empty
  // name matches the first line), reading lines into buf/size. On success
  // the position is after the line; otherwise it is at the end of the text
  // and buf holds the last line of the text.
  virtual bool FindKludgeZ(const char* name, char* buf, std::uint16_t size);
  // As FindKludgeZ with a kKludgeLineBufferSize buffer. When nothing is
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
  // Offset after the first run of kludge lines (before the first ordinary
  // line that follows a kludge line), or the text size.
  virtual std::int32_t GetKludgeInsertPos();
  // Writes " * Origin: " + text + " (" + address + ")" at the text position,
  // text cut so the line has at most kOriginLineLimit characters.
  virtual void WriteOrigin(const FidoAddress& addr, const std::string& text);
  // Update an address from one kludge line (MSGID, INTL or FMPT for the
  // origin; INTL or TOPT for the destination). Malformed words change
  // nothing or only the parts they give.
  virtual void ParseOrigKludge(const std::string& line, FidoAddress& addr);
  virtual void ParseDestKludge(const std::string& line, FidoAddress& addr);

  // --- Accessors.
  virtual BaseStream* GetTextStream();  // still owned by this object
  // Disposes the current text (if any) and adopts stream (may be null).
  virtual void SetTextStream(std::unique_ptr<BaseStream> stream);
  virtual void SetMailFlag(std::uint32_t mask, bool on);
  virtual bool HasMailFlag(std::uint32_t mask);  // all bits of mask set
  // Sets the flag of mail type t (kMailTypeNetmail, ...) and clears the other
  // two; any other t clears all three.
  virtual void SetMailType(std::uint8_t t);
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
  std::unique_ptr<BaseStream> TakeTextStream() { return text_.Release(); }

  // Not virtual: whether the last OpenMsg failed because the message's text
  // is larger than kMaxTextSize.
  bool TextTooLarge() const { return text_too_large_; }

  // Not virtual: whether the open message could only be opened for reading
  // (a read-only file or file system): it can be copied, but neither
  // changed nor deleted.
  bool MsgReadOnly() const { return msg_read_only_; }

  // Not virtual, for the formats: the mail-type flags as a whole, and the
  // base path.
  std::uint32_t mail_flags() const { return mail_flags_; }
  const std::string& base_path() const { return base_path_; }

 protected:
  // The INTL line (with the destination the object's own GetDestAddr
  // gives) and the FMPT line of an origin, as SetOrigAddr writes them for
  // netmail; formats that rebuild these lines from their header call it.
  void SetOrigNetmailKludges(const FidoAddress& addr);
  // Formats note here whether the message OpenMsg refused is too large.
  void SetTextTooLarge(bool too_large) { text_too_large_ = too_large; }
  // Formats that fall back to reading a message they cannot write note it here.
  void SetMsgReadOnly(bool read_only) { msg_read_only_ = read_only; }

 private:
  // Runs the origin (MSGID, INTL, FMPT) and destination (INTL, TOPT) kludge
  // scan over the whole text; either address may be null.
  void ScanAddressKludges(FidoAddress* orig, FidoAddress* dest);
  // Writes the FMPT or TOPT line `name` for a point, or removes it for
  // point 0.
  void SetPointKludge(const char* name, std::uint16_t point);

  std::int32_t last_error_ = 0;
  bool opened_ = false;
  std::uint32_t mail_flags_ = 0;
  std::int32_t current_msg_ = 0;
  // The text of the open message: kludge lines and body, lines ended by a
  // carriage return. Owned; no stream when no message is open.
  MessageText text_;
  std::string base_path_;
  bool text_too_large_ = false;
  bool msg_read_only_ = false;
};

}  // namespace kestrel
