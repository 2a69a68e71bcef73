// A structure check of a *.MSG area directory, for tests that interrupt or
// starve the writes: it reads the files only, with no message-base code.
//
// Every file named <number>.msg must be a whole message (at least the
// 190-byte header, the text ending in its closing 0), or the exact leftover
// of a message file whose writing was cut off: its header still all zeros
// (the header is written last), so it carries no sender, recipient or
// subject. The stored-MSGID file holds at most 8 bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kestrel::testing {

struct MsgAreaCheck {
  std::vector<std::string> problems;
  std::size_t messages = 0;    // whole message files
  std::size_t unfinished = 0;  // files cut off before their header was written

  bool ok() const { return problems.empty(); }
  std::string Describe() const;
};

MsgAreaCheck CheckMsgArea(const std::string& directory);

}  // namespace kestrel::testing
