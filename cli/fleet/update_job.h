#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/device/device_outcome.h"
#include "cli/device/device_session.h"
#include "cli/device/verify_reset.h"
#include "cli/device/version_policy.h"
#include "cli/fleet/retry_rule.h"
#include "firmware/firmware_image.h"

struct UpdateSettings {
    FirmwareImageView image;  // the checked bytes the transfer sends
    std::string imageVersion;
    unsigned imageLines = 0;
    VersionPolicy policy;
    bool verify = true;
    int verifyTimeoutMs = kVerifyTimeoutMs;
    RetryRule retry;
};

using EventSink = std::function<void(const nlohmann::json& event)>;

// The whole update of one device on console: lock, connect, the MAC
// check (--all), login, version, the version policy, the transfer, and the
// verify after the reset. A failure before "flash" is tried again from the
// connect as settings.retry says; an interruption stops the device before "flash", or lets it
// finish once "flash" was sent. Reports phases, progress and retries to sink
// as it goes. Runs in a process of its own (one console per device) that
// watches for interruptions on that console (WatchDeviceInterruptions).
DeviceOutcome RunUpdateJob(ConsoleConnection& console, const DeviceTarget& target, const UpdateSettings& settings,
                           const EventSink& sink);

// The longest a sound update child stays silent after event (after its
// start: an empty object): its longest single wait on the device (two
// "complete"s; a verify whose last try began just before its bound), or the
// delay a "retry" announces, and a minute for starting, resolving and a busy
// machine. The parent takes a child silent for longer as hung.
long long JobSilenceBoundMs(const ConsoleTimeouts& waits, int verifyTimeoutMs, const nlohmann::json& event);
