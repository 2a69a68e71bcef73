// Message areas kept in memory, for in-process tests of the scan driver and
// the copier: every area identifier opens a FakeBase over the FakeArea of its
// path, and the areas outlive the base objects as files would. Faults can be
// switched on per area (a write that is not stored, a deletion that fails,
// JAM-like renumbering after a deletion).
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "msgbase/fido/date_time.h"
#include "msgbase/message_base.h"

namespace kestrel::testing {

struct FakeMessage {
  std::string from;
  std::string to;
  std::string subj;
  MsgDateTime written{};
  MsgDateTime arrived{};
  std::uint32_t attributes = 0;
  std::string text;
};

struct FakeArea {
  // Numbered messages; with `renumber` the numbers stay 1..n without gaps.
  std::map<std::int32_t, FakeMessage> messages;
  std::int32_t next_number = 1;
  std::map<std::int32_t, std::int32_t> lastread;
  // A deletion moves every later message down by one, as in a JAM base;
  // the base then steps its current number back, so a forward scan goes on
  // with the message that followed.
  bool renumber = false;
  bool fail_write = false;            // WriteMsg stores nothing and returns false
  bool fail_create = false;           // CreateMsg returns false
  bool fail_kill = false;             // KillMsg deletes nothing and returns false
  std::int32_t fail_open_number = 0;  // OpenMsg of this number fails

  // Adds a message with the next number and returns the number.
  std::int32_t Add(FakeMessage message);
};

// All areas of a test, by path. Installing it routes the factory to them;
// the destructor restores the real formats.
class FakeAreas {
 public:
  FakeAreas();
  ~FakeAreas();
  FakeAreas(const FakeAreas&) = delete;
  FakeAreas& operator=(const FakeAreas&) = delete;

  // The area of a path, created (empty) when it is not there yet. Paths are
  // compared without regard to ASCII case, as the file layer finds names.
  FakeArea& Area(const std::string& path) { return areas_[Key(path)]; }
  bool Exists(const std::string& path) const { return areas_.count(Key(path)) != 0; }

 private:
  static std::string Key(std::string path);

  std::map<std::string, FakeArea> areas_;
};

// Builds a message text from lines: each line ends with a carriage return.
std::string TextOf(std::initializer_list<std::string_view> lines);

}  // namespace kestrel::testing
