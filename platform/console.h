// The console: standard output, written byte for byte.
#pragma once

#include <string_view>

namespace kestrel::platform {

// Notes whether standard output is a terminal. Called once at start-up.
void ConsoleInit();

bool ConsoleIsTerminal();

// Writes the bytes as they are; no conversion of any kind.
void ConsoleWrite(std::string_view text);

// Writes the text and a line end.
void ConsoleWriteLine(std::string_view text);

// Sets the text colour (a DOS/Win32 console attribute, low nibble: foreground).
// Only a terminal sees it; ConsoleRestore undoes it.
void ConsoleSetTextColor(int attribute);

// Shows a progress text that whatever is written next overwrites: on a
// terminal the text is written and the cursor put back to where it began
// (the start of the line), without a line end; otherwise nothing is written.
// The next progress text, line or line end starts from that position.
void ConsoleShowProgress(std::string_view text);

// Restores the terminal's colours if they were changed and flushes output.
void ConsoleRestore();

}  // namespace kestrel::platform
