#pragma once

#include <string>
#include <vector>

#include "cli/device/inventory.h"
#include "cli/device/targets.h"

// The devices a command works on, or the exit code it ends with: the reason
// told on stderr in one line. Each returns -1 to go on.

// The exit code of a command that got no devices (TargetsProblem::None: -1).
int TargetsExitCode(TargetsProblem problem);

// plan's and update's: the hosts typed or, with --all, the search's; with
// --inventory the listed ones among them, and in match what else the
// inventory's match found.
int TargetsOrExitCode(const std::string& command, const TargetChoice& choice, const SearchSettings& search, int port,
                      std::vector<DeviceTarget>& targets, InventoryMatch* match = nullptr);

// The one device of version, erase and mac, HOST[:PORT].
int SingleTargetOrExitCode(const std::string& host, int port, DeviceAddress& device);

// The --inventory file read (nothing when path is empty), or exit 2 with
// its one line.
int InventoryOrExitCode(const std::string& path, Inventory& inventory);

// detect's search.
int SearchOrExitCode(const SearchSettings& search, std::vector<FoundDevice>& devices);
