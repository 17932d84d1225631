#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/platform/append_file.h"

namespace {

// True when the file has bytes and the last of them is not a newline.
bool EndsMidLine(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return false;
    char last = '\n';
    return ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n';
}

}  // namespace

AppendFile::~AppendFile() {
    if (handle_ != -1) ::close(static_cast<int>(handle_));
}

bool AppendFile::Open(const std::string& path, std::string& error) {
    // Read too: the last byte tells whether the last line was cut.
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        handle_ = fd;
        return true;
    }
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
}

bool AppendFile::Append(const std::string& text) {
    const int fd = static_cast<int>(handle_);
    ::flock(fd, LOCK_EX);
    const std::string afterCut = EndsMidLine(fd) ? "\n" + text : std::string();
    const std::string& out = afterCut.empty() ? text : afterCut;
    const bool whole = ::write(fd, out.data(), out.size()) == static_cast<ssize_t>(out.size());
    ::flock(fd, LOCK_UN);
    return whole;
}
