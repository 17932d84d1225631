#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/device/device_outcome.h"

// The table after an update: one row per device, then a count line.
void PrintSummaryTable(FILE* out, const std::vector<std::string>& labels, const std::vector<DeviceOutcome>& outcomes);

// The exit code of a batch: 6 when the failure budget left devices not
// started, 0 when every device succeeded, 5 when the only failures were
// devices held by another updater, 1 otherwise.
int BatchExitCode(const std::vector<DeviceOutcome>& outcomes);
