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

// Shows a progress text that the next call overwrites: on a terminal the text
// is written after a carriage return, without a line end; otherwise nothing
// is written.
void ConsoleShowProgress(std::string_view text);

// Restores the terminal's colours if they were changed and flushes output.
void ConsoleRestore();

}  // namespace kestrel::platform
