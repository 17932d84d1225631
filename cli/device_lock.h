#pragma once

#include <string>

// One lock file per device (flock), so that two updaters on this machine
// never drive the same device at once. Held until destruction or process end.
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
    int fd_ = -1;
};

// Where the lock files live: $TQM530R_LOCK_DIR, else /run/lock when it is
// writable, else $XDG_RUNTIME_DIR, else /tmp.
std::string LockDirectory();
