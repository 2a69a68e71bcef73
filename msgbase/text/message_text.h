// The text of a message and everything done to it line by line: reading and
// writing lines, the raw stream operations, and finding, replacing,
// deleting and inserting kludge lines.
//
// The text is a stream (`BaseStream`): kludge lines and body, each line
// ended by a carriage return. When reading, a line ends at a carriage
// return or a zero byte, and a line feed right after that terminator is
// skipped. The stream position is the only cursor: reads and writes start
// at it and move it. Lines are cut by one `LineScanner`, whatever the
// stream; scans of a whole text read it in large blocks and jump from one
// kludge mark to the next.
//
// A `MessageText` owns its stream (the text of an open message) or reads
// and edits one its creator owns (an open message file). Every operation
// needs a stream: called without one it raises run-time failure 210
// (kFailureObjectNotInitialized) instead of touching memory that is not
// there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "msgbase/fido/fido_address.h"
#include "msgbase/io/base_stream.h"

namespace kestrel {

// Run-time failure raised by a text operation called while no text exists.
inline constexpr int kFailureObjectNotInitialized = 210;

// Size of the scratch line buffer of the kludge operations: they recognise
// lines of up to LineBufferSize - 1 characters.
inline constexpr std::uint16_t LineBufferSize = 16384;
// Longest line `GetLine` delivers.
inline constexpr std::uint16_t kTextLineLimit = 255;
// Size of the buffer `GetKludge` searches with (lines of up to 254
// characters).
inline constexpr std::uint16_t kKludgeLineBufferSize = 255;
// Longest origin line `WriteOrigin` writes.
inline constexpr int kOriginLineLimit = 79;

class MessageText {
 public:
  // No text: every operation raises failure 210.
  MessageText() = default;
  // Reads and edits `borrowed`, which stays its creator's and must outlive
  // this object.
  explicit MessageText(BaseStream& borrowed) : stream_(&borrowed) {}
  MessageText(const MessageText&) = delete;
  MessageText& operator=(const MessageText&) = delete;

  // Disposes the stream owned so far (if any) and adopts `stream` (may be
  // null).
  void Adopt(std::unique_ptr<BaseStream> stream);
  // Hands the owned stream over; the object then has no text.
  std::unique_ptr<BaseStream> Release();
  // The stream, owned or borrowed; null when there is none.
  BaseStream* stream() const { return stream_; }

  // --- Lines.
  // Reads the next line into buf: at most size - 1 characters and a zero
  // byte (nothing at all when size is 0). The rest of an over-long line is
  // skipped. At the end of the text: "". Returns the characters stored.
  std::size_t ReadLine(char* buf, std::uint16_t size);
  // The next line, at most kTextLineLimit characters.
  void ReadLine(std::string& s);
  // Writes p (none when null) and a carriage return at the position.
  void WriteLine(const char* p);
  // Writes " * Origin: " + text + " (" + address + ")", text cut so the
  // line has at most kOriginLineLimit characters.
  void WriteOrigin(const FidoAddress& addr, const std::string& text);
  bool AtEnd();

  // --- The stream as it is.
  void Seek(std::int32_t pos);
  std::int32_t Position();
  std::int32_t Size();
  void Truncate();
  void Read(void* buf, std::uint16_t count);
  void Write(const void* buf, std::uint16_t count);

  // --- Kludge lines (kludge_editing.cpp).
  // Finds the first line that begins with name (case-sensitive; an empty
  // name matches the first line), its first characters going to buf/size.
  // Found: the position is after the line. Not found: the position is at
  // the end of the text and buf holds the last line of the text ("" for an
  // empty one).
  bool FindKludge(const char* name, char* buf, std::uint16_t size);
  // Replaces the first line beginning with name by line, or adds line when
  // there is none.
  void SetKludge(const char* name, const char* line);
  // Removes the first line beginning with name; nothing when there is none.
  void DeleteKludge(const char* name);
  // Inserts line at KludgeInsertPos. The position ends at the end of the
  // text.
  void AddKludge(const char* line);
  // Offset after the first run of kludge lines (before the first ordinary
  // line that follows a kludge line), or the text size.
  std::int32_t KludgeInsertPos();
  // Calls visit with every kludge line of the text in order, each cut to
  // kTextLineLimit characters as ReadLine gives it. The position ends at
  // the end of the text.
  void ForEachKludgeLine(const std::function<void(const std::string& line)>& visit);

 private:
  // The stream; raises failure 210 when there is none.
  BaseStream& Stream();
  // Copies the text from `from` to its end to `at` + the line's length,
  // writes `line` (when not null) at `at` and truncates after the moved
  // bytes.
  void ReplaceRange(std::int32_t at, std::int32_t from, const char* line);
  // Whether the text is empty or its last line is ended by a terminator.
  // Leaves the position at the end of the text.
  bool EndsWithTerminator();

  std::unique_ptr<BaseStream> owned_;
  BaseStream* stream_ = nullptr;
  // Offsets of the line last found by FindKludge: its start, and the offset
  // just after its terminator (and a line feed after that).
  std::int32_t kludge_start_ = 0;
  std::int32_t kludge_end_ = 0;
};

}  // namespace kestrel
