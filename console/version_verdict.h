#pragma once

// What the version check finds: the device is current, can be updated, or
// runs no valid firmware. Each front end has its own words for these.
enum class VersionVerdict { Latest, CanUpdate, NoValidFirmware };

// The device's version text against the image's (each at most 16 characters).
// Only exactly 0.1.0 below the image means "no valid firmware".
VersionVerdict JudgeDeviceVersion(const char* deviceVersion, const char* imageVersion);
