#pragma once

#include <vector>

#include "cli/device/device_outcome.h"

// The tool's exit codes, the same for every command.
enum ExitCode : int {
    kExitOk = 0,           // done (detect: devices found)
    kExitFailed = 1,       // a device failed, was refused or not verified (detect: none found)
    kExitUsage = 2,        // bad command line, or --yes missing where it is required
    kExitSearchError = 3,  // the device search could not be set up
    kExitImage = 4,        // the image (carried or --image) is missing, damaged or refused
    kExitBusy = 5,         // another tqm530r drives the device (nothing else failed)
    kExitStopped = 6,      // update: more devices failed than --max-failures allows; the rest not started
};

// The exit code of a batch: 6 when the failure budget left devices not
// started, 0 when every device succeeded, 5 when the only failures were
// devices held by another updater, 1 otherwise.
int BatchExitCode(const std::vector<DeviceOutcome>& outcomes);
