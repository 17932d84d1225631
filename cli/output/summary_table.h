#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/device/device_outcome.h"

// The table after an update: one row per device, then a count line.
void PrintSummaryTable(FILE* out, const std::vector<std::string>& labels, const std::vector<DeviceOutcome>& outcomes);

// A result's word for a person: the machine name in English, the catalogue's
// word in Japanese.
const char* ShownResult(DeviceResult result);
