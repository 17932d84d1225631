#pragma once

#include <string>

// How one device's update, erase or MAC write ended.
enum class DeviceResult {
    Verified,
    Updated,
    Skipped,
    Refused,
    Mismatch,
    Busy,
    Failed,
    Unverified,
    Interrupted,
    NotStarted,  // a rollout stopped by its failure budget before the device's turn
};

// "verified", "updated", "skipped", "refused", "mac-changed", "busy", "failed",
// "unverified", "interrupted", "not started".
const char* ResultName(DeviceResult result);
bool ResultFromName(const std::string& name, DeviceResult& result);
// Verified, updated without a verify (--no-verify), or skipped as current.
bool ResultIsSuccess(DeviceResult result);

struct DeviceOutcome {
    DeviceResult result = DeviceResult::Failed;
    std::string detail;  // one line: why, or what was done
    std::string ip;
    std::string mac;
    std::string oldVersion;  // the device's before, empty when not read
    std::string newVersion;  // the device's after the reset, empty when not read
    double seconds = 0;
    unsigned lines = 0;  // image lines sent
    int attempts = 1;    // tries from the connect
};
