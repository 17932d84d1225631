#include "cli/device/device_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/platform/user_paths.h"

namespace {

// The pid that the holder wrote into the file, for the message.
std::string HolderPid(int fd) {
    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got <= 0) return {};
    text[got] = '\0';
    text[std::strcspn(text, "\n")] = '\0';
    return text;
}

}  // namespace

DeviceLock::~DeviceLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));  // closing releases the lock; the file stays for the next run
}

bool DeviceLock::Acquire(const std::string& ip, unsigned short port, std::string& error) {
    const std::string path = PathIn(LockDirectory(), LockFileName(ip, port));
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot open the lock file " + path + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const std::string pid = HolderPid(fd);
        ::close(fd);
        error = "another tqm530r" + (pid.empty() ? std::string() : " (pid " + pid + ")") +
                " is driving this device (lock " + path + ")";
        return false;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, pid.data(), pid.size(), 0);
    handle_ = fd;
    return true;
}
