#pragma once

#include <string>
#include <vector>

#include "cli/device/device_session.h"

// The devices that the command line names, read without touching the network.

// The hosts given, each as HOST[:PORT] with port for a missing port. False,
// with the reason, at the first host that does not read.
bool TargetsFromHosts(const std::vector<std::string>& hosts, unsigned short port, std::vector<DeviceTarget>& targets,
                      std::string& reason);
