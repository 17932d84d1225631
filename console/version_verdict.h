#pragma once

// The one judgement of a device's version against the image's: the device is
// current, newer than the image, can be updated, or runs no valid firmware.
// The dialog, `version` and `plan` each have their own words and actions for these.
enum class VersionVerdict { Latest, Newer, CanUpdate, NoValidFirmware };

// The device's version text against the image's (each at most 16 characters),
// compared as ParseFirmwareVersion reads them. Only exactly 0.1.0 below the
// image means "no valid firmware".
VersionVerdict JudgeDeviceVersion(const char* deviceVersion, const char* imageVersion);
