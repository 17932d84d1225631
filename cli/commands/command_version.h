#pragma once

#include <string>

#include "cli/commands/commands.h"
#include "cli/device/device_session.h"

// version: one device's firmware version against the image's.
struct VersionOptions {
    std::string host;  // HOST[:PORT]
    DeviceAccess access;
    bool json = false;
};

void AddVersionOptions(CLI::App& c, VersionOptions& o, MainSettings& main);
int RunVersion(const VersionOptions& o, const ImageReport& image);
