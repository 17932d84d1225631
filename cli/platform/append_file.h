#pragma once

#include <cstdint>
#include <string>

// A file opened for appending: each Append is one write at the end of the
// file, whoever else appends, so that the processes of several devices share
// it without splitting a line. One implementation per platform
// (append_file_posix.cpp: O_APPEND; append_file_win.cpp: FILE_APPEND_DATA).
class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile();

    // Opens path (UTF-8), making the file when missing. False with a reason.
    bool Open(const std::string& path, std::string& error);
    // One write of text; with locked, under an exclusive lock of the file
    // (flock, LockFileEx) that other lockers wait for. False when not all of
    // it was written.
    bool Append(const std::string& text, bool locked = false);
    bool IsOpen() const { return handle_ != -1; }

private:
    intptr_t handle_ = -1;
};
