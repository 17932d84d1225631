#include <windows.h>

#include <filesystem>
#include <system_error>

#include "cli/device/device_lock.h"
#include "cli/platform/file_path.h"
#include "cli/platform/user_paths.h"
#include "cli/platform/windows_file.h"

namespace {

// The lock is one byte far past the end, so that the pid text at the start
// stays readable for the next tqm530r's message.
constexpr unsigned long long kLockOffset = 1ULL << 32;

std::string HolderPid(HANDLE file) {
    char text[32] = {};
    DWORD got = 0;
    OVERLAPPED start = {};
    if (!ReadFile(file, text, sizeof text - 1, &got, &start) || got == 0) return {};
    return HolderPidText(text);
}

// Opened with FILE_FLAG_OPEN_REPARSE_POINT, a link is the handle's own file.
bool IsReparsePoint(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info = {};
    return !GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void WritePid(HANDLE file) {
    const std::string pid = std::to_string(GetCurrentProcessId()) + "\n";
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    DWORD written = 0;
    WriteFile(file, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
}

}  // namespace

DeviceLock::~DeviceLock() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));  // closing releases the lock
}

bool DeviceLock::Acquire(const std::string& ip, unsigned short port, std::string& error) {
    const std::string folder = LockDirectory();
    std::error_code ignored;
    std::filesystem::create_directories(FilePath(folder), ignored);
    const std::string path = PathIn(folder, LockFileName(ip, port));
    const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot open the lock file " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    if (IsReparsePoint(file)) {
        CloseHandle(file);
        error = "the lock file " + path + " is a link; it is not followed";
        return false;
    }
    if (!LockFileRange(file, kLockOffset, 1, false)) {
        const std::string pid = HolderPid(file);
        CloseHandle(file);
        error = HeldElsewhereText(pid, path);
        return false;
    }
    WritePid(file);
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}
