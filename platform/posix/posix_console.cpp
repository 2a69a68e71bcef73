// The console on POSIX: standard output, colour through SGR sequences on a
// terminal only.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/console.h"

namespace kestrel::platform {
namespace {

bool g_is_terminal = false;
bool g_colour_changed = false;

void WriteAll(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

void ConsoleInit() {
  g_is_terminal = isatty(STDOUT_FILENO) == 1;
}

bool ConsoleIsTerminal() {
  return g_is_terminal;
}

void ConsoleSetTextColor(int attribute) {
  if (!g_is_terminal) return;
  // DOS colour order (blue=1, green=2, red=4) differs from ANSI (red=1, blue=4).
  static constexpr int kDosToAnsi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  const int foreground = attribute & 0x0F;
  std::string sgr = "\x1b[";
  sgr += (foreground & 0x08) ? "1;" : "22;";
  sgr += std::to_string(30 + kDosToAnsi[foreground & 0x07]);
  sgr += "m";
  WriteAll(sgr);
  std::fflush(stdout);
  g_colour_changed = true;
}

void ConsoleShowProgress(std::string_view text) {
  if (!g_is_terminal) return;
  // The text starts where the cursor is, at the start of a line (every line
  // before it was ended), and the carriage return puts the cursor back there.
  WriteAll(text);
  WriteAll("\r");
  std::fflush(stdout);
}

void ConsoleRestore() {
  if (g_colour_changed) {
    WriteAll("\x1b[0m");
    g_colour_changed = false;
  }
  std::fflush(stdout);
}

}  // namespace kestrel::platform
