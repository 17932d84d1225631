#pragma once

#include <vector>

#include "cli/commands/cli_options.h"
#include "cli/device/device_session.h"

// The devices that the command line names, read without touching the network.

// The hosts given, each as HOST[:PORT] with --port for a missing port; with
// --all none (the search finds them). Returns -1 to go on, or the exit code
// to end with (the reason is on stderr).
int TargetsFromHosts(const CliOptions& o, std::vector<DeviceTarget>& targets);

// The one device of version, erase and mac. Returns -1 to go on, or the exit
// code to end with (the reason is on stderr).
int SingleTarget(const CliOptions& o, DeviceAddress& device);
