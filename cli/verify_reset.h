#pragma once

#include <string>

#include "cli/device_address.h"

struct VerifyResult {
    bool answered = false;  // the device came back and told its version
    std::string version;
    std::string error;      // why it did not, when it did not
};

// After "bye": waits for the device to restart, then tries to connect, log
// in and read the version until it answers or timeoutMs have passed.
// Leaves ConsoleSocket closed.
VerifyResult AwaitDeviceVersion(const DeviceAddress& device, int timeoutMs);
