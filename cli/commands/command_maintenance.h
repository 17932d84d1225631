#pragma once

#include <string>

#include "cli/commands/commands.h"
#include "cli/device/device_session.h"

// erase and mac: the console's maintenance commands, each on one device,
// under its lock, with a history line.

struct EraseOptions {
    std::string host;  // HOST[:PORT]
    bool yes = false;
    DeviceAccess access;
    std::string historyPath;  // empty: HistoryPath's default
};

struct MacOptions {
    std::string host;    // HOST[:PORT]
    std::string digits;  // the MAC's last two bytes, four hexadecimal digits
    DeviceAccess access;
    std::string historyPath;  // empty: HistoryPath's default
};

void AddEraseOptions(CLI::App& c, EraseOptions& o, MainSettings& main);
int RunErase(const EraseOptions& o);
void AddMacOptions(CLI::App& c, MacOptions& o, MainSettings& main);
int RunMac(const MacOptions& o);
