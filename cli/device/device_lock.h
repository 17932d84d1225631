#pragma once

#include <cstdint>
#include <string>

// One lock file per device under LockDirectory() (flock; Windows: LockFileEx),
// so that two updaters on this machine, of one user or of two, never drive
// the same device at once. Held until destruction or process end. The file
// is never a link followed (O_NOFOLLOW; Windows: no reparse point); on POSIX
// it is made 0666 so that every user's run can lock it. One implementation
// per platform (device_lock_posix.cpp, device_lock_win.cpp).
class DeviceLock {
public:
    DeviceLock() = default;
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;
    ~DeviceLock();

    // Takes the lock of ip:port without waiting. False with a reason when
    // another process holds it or the lock file cannot be made.
    bool Acquire(const std::string& ip, unsigned short port, std::string& error);

private:
    intptr_t handle_ = -1;
};

// The lock file's name of ip:port, "tqm530r-10.0.0.5-23.lock".
std::string LockFileName(const std::string& ip, unsigned short port);

// The holder's pid as its file starts, "4242\n": the digits, or empty when
// the text is anything else (the file may be writable by every user).
std::string HolderPidText(const char* text);
// "another tqm530r (pid 4242) is driving this device (lock PATH)".
std::string HeldElsewhereText(const std::string& pid, const std::string& path);
