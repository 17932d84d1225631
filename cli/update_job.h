#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/device_outcome.h"
#include "cli/device_session.h"

struct UpdateSettings {
    std::string imageVersion;
    unsigned imageLines = 0;
    bool reinstall = false;
    bool allowOlder = false;
    bool verify = true;
    int verifyTimeoutMs = 60000;
};

using EventSink = std::function<void(const nlohmann::json& event)>;

// The whole update of one device on ConsoleSocket: lock, connect, the MAC
// check (--all), login, version, the version policy, the transfer, and the
// verify after the reset. Reports phases and progress to sink as it goes.
// Runs in a child process of its own (one ConsoleSocket per device).
DeviceOutcome RunUpdateJob(const DeviceTarget& target, const UpdateSettings& settings, const EventSink& sink);
