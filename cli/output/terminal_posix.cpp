#include <sys/ioctl.h>
#include <unistd.h>

#include "cli/output/terminal.h"

bool IsTerminal(FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

bool CanDrawBars(FILE* stream) { return IsTerminal(stream); }

int TerminalWidth(FILE* stream, int fallback) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return fallback;
}

size_t TerminalRows(FILE* stream, size_t fallback) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_row > 0) return size.ws_row;
    return fallback;
}

void WriteText(FILE* stream, const std::string& text) { std::fwrite(text.data(), 1, text.size(), stream); }
