#pragma once

#include <string>
#include <vector>

#include "cli/device/targets.h"

// The devices a command works on, or the exit code it ends with: the reason
// told on stderr in one line. Each returns -1 to go on.

// The exit code of a command that got no devices (TargetsProblem::None: -1).
int TargetsExitCode(TargetsProblem problem);

// plan's and update's: the hosts typed or, with --all, the search's.
int TargetsOrExitCode(const std::string& command, const TargetChoice& choice, const SearchSettings& search, int port,
                      std::vector<DeviceTarget>& targets);

// The one device of version, erase and mac, HOST[:PORT].
int SingleTargetOrExitCode(const std::string& host, int port, DeviceAddress& device);

// detect's search.
int SearchOrExitCode(const SearchSettings& search, std::vector<FoundDevice>& devices);
