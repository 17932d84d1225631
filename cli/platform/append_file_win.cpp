#include <windows.h>

#include "cli/platform/append_file.h"
#include "cli/platform/windows_file.h"

namespace {

HANDLE Handle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

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

bool AppendFile::Append(const std::string& text, bool locked) {
    const HANDLE h = Handle(handle_);
    // The lock covers the whole file however long it grows (it needs the read
    // right; without the write right, each write still goes to the end).
    if (locked) LockFileRange(h, 0, kWholeFile, true);
    DWORD written = 0;
    const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (locked) UnlockFileRange(h, 0, kWholeFile);
    return ok && written == text.size();
}
