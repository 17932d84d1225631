#pragma once

#include <string>

#include "cli/device/device_session.h"
#include "cli/device/version_policy.h"
#include "cli/image/image_check.h"

// What update would do to one device, read without writing: its version and
// the version policy's action ("update", "skip", "refuse"), or "error" or
// "busy" when it could not be read. With an inventory also "unlisted" (found,
// not listed: never touched) and "not found" (listed, did not answer). plan prints it; a rollout reads every
// device so first and counts its waves over the devices to write.
struct PlanRow {
    std::string device, ip, mac, version, action, reason;
    std::string name;  // the inventory's; empty without one
};

PlanRow PlanDevice(const DeviceTarget& t, const DeviceAccess& access, const VersionPolicy& policy,
                   const ImageReport& image);

// The devices a rollout writes: those the policy would update, and those it
// could not read (update tries them, and a failure counts).
bool PlanWouldWrite(const PlanRow& row);
