#pragma once

#include <string>

#include "cli/device/device_session.h"

struct VerifyResult {
    bool answered = false;  // the device came back and told its version
    std::string version;
    std::string error;  // why it did not, when it did not
};

// After "bye": waits for the device (reserved, at ip) to restart, then tries
// to open it again until it tells its version or timeoutMs have passed.
// Leaves ConsoleSocket closed.
// stopped, when given, ends the tries early.
VerifyResult AwaitDeviceVersion(const DeviceTarget& target, const std::string& ip, int timeoutMs,
                                bool (*stopped)() = nullptr);
