#pragma once

#include <string>

#include "cli/device/device_outcome.h"

// --max-failures: a number of devices, or a percentage of the devices to write.
struct FailureLimit {
    int value = -1;  // -1: no limit
    bool percent = false;
};

// The rule of --max-failures, for the help text.
extern const char* const kMaxFailuresHelp;

// Reads "N" (0..100000) or "P%" (0..100). False with a one-line reason otherwise.
bool ParseFailureLimit(const std::string& text, FailureLimit& limit, std::string& error);

constexpr int kNoBudget = -1;

// How many failed devices a run of devices devices to write may have and go
// on: N itself, or P% of devices rounded down; kNoBudget without a limit. The
// run stops once failures exceed the budget, so exactly the budget goes on.
int FailureBudget(const FailureLimit& limit, int devices);

// Failed, unverified and mac-changed count; skipped, refused, busy and
// interrupted devices were not written by a bad image and do not.
bool CountsAgainstBudget(DeviceResult result);
