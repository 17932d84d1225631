#include "console/version_verdict.h"

#include "firmware/firmware_version.h"

VersionVerdict JudgeDeviceVersion(const char* deviceVersion, const char* imageVersion) {
    const FirmwareVersion device = ParseFirmwareVersion(deviceVersion);
    const FirmwareVersion image = ParseFirmwareVersion(imageVersion);
    if (device == image) return VersionVerdict::Latest;
    if (image < device) return VersionVerdict::Newer;
    if (device.major == 0 && device.minor == 1 && device.patch == 0) return VersionVerdict::NoValidFirmware;
    return VersionVerdict::CanUpdate;
}
