// The console on Windows: standard output written byte for byte (a console
// shows them in its output code page: code page 866 text shows right in a
// console set to 866), the colour through SetConsoleTextAttribute and the
// progress count rewritten in place by putting the cursor back where it
// was. Colour and cursor are touched only when standard output is a console.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/console.h"
#include "platform/win32/win32_api.h"

namespace kestrel::platform {
namespace {

HANDLE g_output = INVALID_HANDLE_VALUE;
bool g_is_terminal = false;
WORD g_original_attributes = 0;
bool g_colour_changed = false;

}  // namespace

void ConsoleInit() {
  // Bytes as they are: no line-end translation by the C run-time library.
  _setmode(_fileno(stdout), _O_BINARY);
  g_output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  g_is_terminal = g_output != nullptr && g_output != INVALID_HANDLE_VALUE &&
                  ::GetConsoleScreenBufferInfo(g_output, &info);
  if (g_is_terminal) g_original_attributes = info.wAttributes;
}

bool ConsoleIsTerminal() {
  return g_is_terminal;
}

void ConsoleSetTextColor(int attribute) {
  if (!g_is_terminal) return;
  std::fflush(stdout);
  // The foreground changes; the background stays as the console had it.
  const auto colour = static_cast<WORD>((g_original_attributes & 0xFFF0) | (attribute & 0x0F));
  if (::SetConsoleTextAttribute(g_output, colour)) g_colour_changed = true;
}

void ConsoleShowProgress(std::string_view text) {
  if (!g_is_terminal) return;
  std::fflush(stdout);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(g_output, &info)) return;
  ConsoleWrite(text);
  // Back to where the text began: whatever is written next overwrites it.
  ::SetConsoleCursorPosition(g_output, info.dwCursorPosition);
}

void ConsoleRestore() {
  std::fflush(stdout);
  if (g_colour_changed) {
    ::SetConsoleTextAttribute(g_output, g_original_attributes);
    g_colour_changed = false;
  }
}

}  // namespace kestrel::platform
