#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/device/device_lock.h"
#include "cli/platform/user_paths.h"

namespace {

// The folder may be shared by every user (/run/lock, /tmp): a link planted
// there is never followed, a FIFO never blocks the open.
constexpr int kOpenFlags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
// Whatever the umask: another user's run opens the file and locks it too.
constexpr mode_t kLockFileMode = 0666;

std::string HolderPid(int fd) {
    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    return got > 0 ? HolderPidText(text) : std::string();
}

void WritePid(int fd) {
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, pid.data(), pid.size(), 0);
}

// An existing lock file: read-write, or read-only when it is another user's
// that this one may not write (flock needs no write). -1 with errno.
int OpenExisting(const std::string& path, bool& writable) {
    int fd = ::open(path.c_str(), O_RDWR | kOpenFlags);
    writable = fd >= 0;
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | kOpenFlags);
    return fd;
}

// The lock file, opened, or made where there is none. It is never opened
// with O_CREAT once it exists: a sticky folder refuses that for another
// user's file (fs.protected_regular).
int OpenLockFile(const std::string& path, bool& writable) {
    for (int tries = 0; tries < 3; ++tries) {
        const int fd = OpenExisting(path, writable);
        if (fd >= 0 || errno != ENOENT) return fd;
        const int made = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | kOpenFlags, 0600);
        if (made >= 0) {
            ::fchmod(made, kLockFileMode);
            writable = true;
            return made;
        }
        if (errno != EEXIST) return -1;  // on EEXIST another run has just made it: open that one
    }
    return -1;
}

std::string OpenError(const std::string& path, int error) {
    struct stat link {};
    if (error == ELOOP && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
        return "the lock file " + path + " is a symbolic link; it is not followed";
    return "cannot open the lock file " + path + ": " + std::strerror(error);
}

bool IsRegularFile(int fd) {
    struct stat file {};
    return ::fstat(fd, &file) == 0 && S_ISREG(file.st_mode);
}

}  // namespace

DeviceLock::~DeviceLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));  // closing releases the lock; the file stays for the next run
}

bool DeviceLock::Acquire(const std::string& ip, unsigned short port, std::string& error) {
    const std::string path = PathIn(LockDirectory(), LockFileName(ip, port));
    bool writable = false;
    const int fd = OpenLockFile(path, writable);
    if (fd < 0) {
        error = OpenError(path, errno);
        return false;
    }
    if (!IsRegularFile(fd)) {
        ::close(fd);
        error = "the lock file " + path + " is not a regular file";
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int refused = errno;
        const std::string pid = HolderPid(fd);
        ::close(fd);
        error = refused == EWOULDBLOCK ? HeldElsewhereText(pid, path)
                                       : "cannot lock " + path + ": " + std::strerror(refused);
        return false;
    }
    if (writable) WritePid(fd);
    handle_ = fd;
    return true;
}
