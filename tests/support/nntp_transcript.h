// The record of one NNTP conversation as the session script prints it:
//   C: <command sent>
//   S: <status line received>
//   D: <data line received>      (lines of a multi-line answer)
//   Z: .                         (the answer's terminating dot was seen)
//   N: connect                   (a new connection: a greeting comes next)
//   E: <what went wrong>         (the script's own diagnostics: the session failed)
//   W: <what went wrong>         (a single exchange failed, the session went on)
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::testing {

struct NntpExchange {
  std::string command;
  std::string status;             // without the line end
  std::vector<std::string> data;  // without line ends, dot-stuffing undone
  bool data_complete = false;     // the terminating dot arrived
};

struct NntpTranscript {
  std::string greeting;  // of the first connection
  std::vector<NntpExchange> exchanges;
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};

NntpTranscript ParseNntpTranscript(std::string_view output);

// The three-digit code at the start of a status line; -1 when there is none.
int NntpStatusCode(std::string_view status);

}  // namespace kestrel::testing
