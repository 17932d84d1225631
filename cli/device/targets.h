#pragma once

#include <vector>

#include "cli/device/target_hosts.h"

// The devices a command works on: the hosts given, or with --all every maker
// device that one search finds (with the MAC it found); fewer than --expect
// found is a failure. Returns -1 to go on, or the exit code to end with (the
// reason is on stderr).
int CollectTargets(const CliOptions& o, std::vector<DeviceTarget>& targets);
