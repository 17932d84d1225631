#include <windows.h>

#include <cstring>
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
    text[got] = '\0';
    text[strcspn(text, "\r\n")] = '\0';
    return text;
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
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot open the lock file " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    if (!LockFileRange(file, kLockOffset, 1, false)) {
        const std::string pid = HolderPid(file);
        CloseHandle(file);
        error = "another tqm530r" + (pid.empty() ? std::string() : " (pid " + pid + ")") +
                " is driving this device (lock " + path + ")";
        return false;
    }
    WritePid(file);
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}
