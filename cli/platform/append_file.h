#pragma once

#include <cstdint>
#include <string>

// A file opened for appending: each Append is one write at the end of the
// file under an exclusive lock of it (flock, LockFileEx) that other
// appenders wait for, so that the processes of several devices share it
// without splitting a line. A file whose last line was cut (a power loss
// mid-write) gets a newline first, so the cut line costs only itself. One
// implementation per platform (append_file_posix.cpp: O_APPEND;
// append_file_win.cpp: FILE_APPEND_DATA).
class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile();

    // Opens path (UTF-8), making the file when missing. False with a reason.
    bool Open(const std::string& path, std::string& error);
    // One write of text (lines, each ending in a newline) under the lock,
    // on a line of its own. False when not all of it was written.
    bool Append(const std::string& text);
    bool IsOpen() const { return handle_ != -1; }

private:
    intptr_t handle_ = -1;
};
