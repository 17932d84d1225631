#include <cstdio>

#include "cli/commands.h"
#include "cli/device_address.h"
#include "cli/device_console.h"
#include "cli/device_lock.h"
#include "cli/exit_codes.h"
#include "cli/json_events.h"
#include "cli/locale_text.h"
#include "console/console_session.h"
#include "console/version_verdict.h"

namespace {

const char* VerdictName(VersionVerdict v) {
    switch (v) {
        case VersionVerdict::Latest: return "latest";
        case VersionVerdict::CanUpdate: return "can-update";
        case VersionVerdict::NoValidFirmware: return "no-valid-firmware";
    }
    return "?";
}

}  // namespace

int RunVersion(const CliOptions& o, const ImageReport& image) {
    DeviceAddress device;
    std::string error, version;
    if (!ParseDeviceAddress(o.hosts.at(0), static_cast<unsigned short>(o.port), device, error)) {
        std::fprintf(stderr, "tqm530r: %s\n", error.c_str());
        return kExitUsage;
    }
    std::string ip;
    DeviceLock lock;  // a device that another tqm530r drives is not disturbed
    if (ResolveHostText(device.host, ip) && !lock.Acquire(ip, device.port, error)) {
        std::fprintf(stderr, "tqm530r: %s: %s\n", device.Label().c_str(), error.c_str());
        return kExitBusy;
    }
    if (!ConnectAndLogin(device, error) || !ReadDeviceVersion(version, error)) {
        std::fprintf(stderr, "tqm530r: %s: %s\n", device.Label().c_str(), error.c_str());
        return kExitFailed;
    }
    CloseConsole();
    const VersionVerdict verdict = JudgeDeviceVersion(version.c_str(), image.version.c_str());
    if (o.json) {
        PrintJsonDocument({{"device", device.Label()},       {"host", device.host},
                           {"port", device.port},            {"device_version", version},
                           {"image_version", image.version}, {"verdict", VerdictName(verdict)},
                           {"text", VerdictEnglishText(verdict)}});
        return kExitOk;
    }
    std::printf("device   %s\nimage    %s\nverdict  %s\n", version.c_str(), image.version.c_str(),
                VerdictEnglishText(verdict));
    if (JapaneseMessages()) {
        std::string text = VerdictStatusText(verdict);
        for (size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', lf + 10)) text.replace(lf, 1, "\n         ");
        std::printf("         %s\n", text.c_str());
    }
    return kExitOk;
}
