#pragma once

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
