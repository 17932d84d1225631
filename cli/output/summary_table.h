#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/device/device_outcome.h"

// The table after an update: one row per device, then a count line.
void PrintSummaryTable(FILE* out, const std::vector<std::string>& labels, const std::vector<DeviceOutcome>& outcomes);
