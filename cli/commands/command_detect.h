#pragma once

#include <string>

#include "cli/commands/commands.h"
#include "cli/device/device_search.h"

// detect: one search, and the maker devices that answered it.
struct DetectOptions {
    SearchSettings search;
    std::string inventoryPath;  // --inventory: names for the MACs, and the devices that must answer
    bool json = false;
};

void AddDetectOptions(CLI::App& c, DetectOptions& o, MainSettings& main);
int RunDetect(const DetectOptions& o);
