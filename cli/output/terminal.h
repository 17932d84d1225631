#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The terminal behind a standard stream. One implementation per platform
// (terminal_posix.cpp, terminal_win.cpp).

// True when stream is a terminal (a console on Windows), not a file or a pipe.
bool IsTerminal(FILE* stream);
// True when bars can be redrawn in place on stream: a terminal that takes
// ANSI cursor moves (on Windows a console in virtual-terminal mode, which
// this turns on where the console has it).
bool CanDrawBars(FILE* stream);
// The width and the height of the terminal behind stream, or fallback.
int TerminalWidth(FILE* stream, int fallback);
size_t TerminalRows(FILE* stream, size_t fallback);

// The one way the tool's text (UTF-8) reaches a standard stream. On Windows a
// console gets it as UTF-16 (WriteConsoleW), so it reads right whatever the
// console's code page; a file or a pipe gets the UTF-8 bytes, as elsewhere.
void WriteText(FILE* stream, const std::string& text);
// printf into WriteText. mingw's C++ runtime formats as GNU printf does (%zu
// included), which its headers name __MINGW_PRINTF_FORMAT.
#ifdef __MINGW_PRINTF_FORMAT
#define PRINT_TO_FORMAT __MINGW_PRINTF_FORMAT
#else
#define PRINT_TO_FORMAT printf
#endif
void PrintTo(FILE* stream, const char* format, ...) __attribute__((format(PRINT_TO_FORMAT, 2, 3)));
