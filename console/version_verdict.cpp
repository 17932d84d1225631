#include "console/version_verdict.h"

#include "firmware/firmware_version.h"

VersionVerdict JudgeDeviceVersion(const char* deviceVersion, const char* imageVersion) {
    const FirmwareVersion device = ParseFirmwareVersion(deviceVersion);
    const FirmwareVersion image = ParseFirmwareVersion(imageVersion);
    if (!(device < image)) return VersionVerdict::Latest;
    if (device.major == 0 && device.minor == 1 && device.patch == 0) return VersionVerdict::NoValidFirmware;
    return VersionVerdict::CanUpdate;
}

const char* VerdictStatusText(VersionVerdict verdict) {
    switch (verdict) {
    case VersionVerdict::Latest: return "最新のファームウェアです。";
    case VersionVerdict::NoValidFirmware:
        return "有効なファームウェアが存在しません。\n「アップデート」ボタンを押してください。";
    case VersionVerdict::CanUpdate: break;
    }
    return "最新のファームウェアへアップデートできます。\n「アップデート」ボタンを押してください。";
}

const char* VerdictEnglishText(VersionVerdict verdict) {
    switch (verdict) {
    case VersionVerdict::Latest: return "latest firmware";
    case VersionVerdict::NoValidFirmware: return "no valid firmware; update needed";
    case VersionVerdict::CanUpdate: break;
    }
    return "can be updated to the carried image";
}
