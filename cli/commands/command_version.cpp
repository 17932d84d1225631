#include "cli/commands/command_version.h"

#include <cstdio>

#include "cli/commands/common_options.h"
#include "cli/commands/exit_codes.h"
#include "cli/commands/aligned_text.h"
#include "cli/commands/targets_or_exit.h"
#include "cli/device/device_session.h"
#include "cli/output/json_events.h"
#include "cli/output/locale_text.h"
#include "cli/output/messages.h"
#include "cli/output/terminal.h"
#include "cli/output/visible_text.h"
#include "console/console_session.h"
#include "console/version_verdict.h"

namespace {

const char* VerdictName(VersionVerdict v) {
    switch (v) {
    case VersionVerdict::Latest: return "latest";
    case VersionVerdict::Newer: return "newer";
    case VersionVerdict::CanUpdate: return "can-update";
    case VersionVerdict::NoValidFirmware: return "no-valid-firmware";
    }
    return "?";
}

const char* VerdictEnglishText(VersionVerdict v) {
    switch (v) {
    case VersionVerdict::Latest: return N_("latest firmware");
    case VersionVerdict::Newer: return N_("newer than the image; update would refuse it (--allow-older to write it)");
    case VersionVerdict::NoValidFirmware: return N_("no valid firmware; update needed");
    case VersionVerdict::CanUpdate: break;
    }
    return N_("can be updated to the image's version");
}

}  // namespace

void AddVersionOptions(CLI::App& c, VersionOptions& o, MainSettings& main) {
    c.add_option("host", o.host, Tr("HOST[:PORT] of the device"))->required();
    AddPort(c, o.access);
    AddTimeout(c, o.access);
    AddTrace(c, main);
    AddImage(c, main);
    AddJson(c, o.json, N_("print one JSON object"));
}

int RunVersion(const VersionOptions& o, const ImageReport& image) {
    DeviceAddress device;
    if (const int rc = SingleTargetOrExitCode(o.host, o.access.port, device); rc >= 0) return rc;
    ConsoleConnection console;
    console.waits = ConsoleWaitsFrom(o.access);
    DeviceLock lock;
    DeviceVisit visit;
    if (!OpenDevice(console, {device, "", ""}, lock, visit)) {
        PrintTo(stderr, "tqm530r: %s: %s\n", device.Label().c_str(), TrText(visit.error).c_str());
        return visit.failure == OpenFailure::Busy ? kExitBusy : kExitFailed;
    }
    const std::string& version = visit.version;
    CloseConsole(console);
    const VersionVerdict verdict = JudgeDeviceVersion(version.c_str(), image.version.c_str());
    if (o.json) {
        PrintJsonDocument({{"device", device.Label()},
                           {"host", device.host},
                           {"port", device.port},
                           {"device_version", version},
                           {"image", image.source},
                           {"image_version", image.version},
                           {"verdict", VerdictName(verdict)},
                           {"text", VerdictEnglishText(verdict)}});
        return kExitOk;
    }
    const char* japanese = MessageLanguage() == Language::Japanese ? JapaneseVerdictText(verdict) : nullptr;
    WriteText(stdout, LabelledLines({{Tr("device"), VisibleText(version)},
                                     {Tr("image"), VisibleText(image.version)},
                                     {Tr("verdict"), japanese ? japanese : Tr(VerdictEnglishText(verdict))}},
                                    2));
    return kExitOk;
}
