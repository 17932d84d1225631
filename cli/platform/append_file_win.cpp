#include <windows.h>

#include "cli/platform/append_file.h"
#include "cli/platform/windows_file.h"

namespace {

HANDLE Handle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// True when the file has bytes and the last of them is not a newline.
bool EndsMidLine(HANDLE h) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size) || size.QuadPart == 0) return false;
    OVERLAPPED at{};
    const unsigned long long last = static_cast<unsigned long long>(size.QuadPart) - 1;
    at.Offset = static_cast<DWORD>(last);
    at.OffsetHigh = static_cast<DWORD>(last >> 32);
    char byte = '\n';
    DWORD read = 0;
    return ReadFile(h, &byte, 1, &read, &at) && read == 1 && byte != '\n';
}

}  // namespace

AppendFile::~AppendFile() {
    if (handle_ != -1) CloseHandle(Handle(handle_));
}

bool AppendFile::Open(const std::string& path, std::string& error) {
    const HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        handle_ = reinterpret_cast<intptr_t>(h);
        return true;
    }
    error = "cannot open " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
}

bool AppendFile::Append(const std::string& text) {
    const HANDLE h = Handle(handle_);
    // The lock covers the whole file however long it grows (it needs the read
    // right, which also reads the last byte; without the write right, each
    // write still goes to the end).
    LockFileRange(h, 0, kWholeFile, true);
    const std::string afterCut = EndsMidLine(h) ? "\n" + text : std::string();
    const std::string& out = afterCut.empty() ? text : afterCut;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
    UnlockFileRange(h, 0, kWholeFile);
    return ok && written == out.size();
}
