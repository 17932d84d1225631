#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/platform/append_file.h"

AppendFile::~AppendFile() {
    if (handle_ != -1) ::close(static_cast<int>(handle_));
}

bool AppendFile::Open(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        handle_ = fd;
        return true;
    }
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
}

bool AppendFile::Append(const std::string& text, bool locked) {
    const int fd = static_cast<int>(handle_);
    if (locked) ::flock(fd, LOCK_EX);
    const bool whole = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (locked) ::flock(fd, LOCK_UN);
    return whole;
}
