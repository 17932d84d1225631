#pragma once

#include <string>

#include "cli/device/device_session.h"

// How long update waits for a device to come back after the reset, unless
// --verify-timeout says otherwise.
constexpr int kVerifyTimeoutMs = 60000;

struct VerifyResult {
    bool answered = false;  // the device came back and told its version
    std::string version;
    std::string error;  // why it did not, when it did not
};

// After "bye": waits for the device (reserved, at ip) to restart, then tries
// to open it again on console until it tells its version or timeoutMs have
// passed; no try waits past that bound (the login wait of each try is at most
// what is left). Leaves the console closed. stopped, when given, ends the
// tries early.
VerifyResult AwaitDeviceVersion(ConsoleConnection& console, const DeviceTarget& target, const std::string& ip,
                                int timeoutMs, bool (*stopped)() = nullptr);
