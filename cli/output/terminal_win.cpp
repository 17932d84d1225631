#include <windows.h>
#include <io.h>

#include "cli/output/terminal.h"
#include "cli/platform/windows_file.h"

namespace {

HANDLE HandleOf(FILE* stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }

bool ScreenOf(FILE* stream, CONSOLE_SCREEN_BUFFER_INFO& info) {
    return GetConsoleScreenBufferInfo(HandleOf(stream), &info) != 0;
}

}  // namespace

bool IsTerminal(FILE* stream) {
    DWORD mode = 0;
    return GetConsoleMode(HandleOf(stream), &mode) != 0;
}

bool CanDrawBars(FILE* stream) {
    const HANDLE h = HandleOf(stream);
    DWORD mode = 0;
    if (!GetConsoleMode(h, &mode)) return false;
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
    return SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int TerminalWidth(FILE* stream, int fallback) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!ScreenOf(stream, info)) return fallback;
    const int width = info.srWindow.Right - info.srWindow.Left + 1;
    return width > 0 ? width : fallback;
}

size_t TerminalRows(FILE* stream, size_t fallback) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!ScreenOf(stream, info)) return fallback;
    const int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    return rows > 0 ? static_cast<size_t>(rows) : fallback;
}

void WriteText(FILE* stream, const std::string& text) {
    if (!IsTerminal(stream)) {
        std::fwrite(text.data(), 1, text.size(), stream);
        return;
    }
    std::fflush(stream);
    const std::wstring wide = Wide(text);
    DWORD written = 0;
    WriteConsoleW(HandleOf(stream), wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}
