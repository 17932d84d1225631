#include <cstdio>

#include "cli/commands/commands.h"
#include "cli/commands/exit_codes.h"
#include "cli/device/device_session.h"
#include "cli/device/targets.h"
#include "cli/device/version_policy.h"
#include "cli/output/json_events.h"
#include "cli/output/terminal.h"
#include "console/console_session.h"

namespace {

struct PlanRow {
    std::string device, ip, mac, version, action, reason;
};

const char* OpenFailureAction(OpenFailure failure) {
    switch (failure) {
    case OpenFailure::Busy: return "busy";
    case OpenFailure::MacChanged: return "refuse";
    default: return "error";
    }
}

// Reads the device's version, writing nothing; the action that update would take.
PlanRow PlanDevice(const DeviceTarget& t, const CliOptions& o, const ImageReport& image) {
    ConsoleConnection console;
    console.waits = ConsoleWaitsFrom(o);
    DeviceLock lock;
    DeviceVisit visit;
    const bool opened = OpenDevice(console, t, lock, visit);
    PlanRow row{t.device.Label(), visit.ip, visit.mac.empty() ? t.searchMac : visit.mac, visit.version, "", ""};
    if (!opened) {
        row.action = OpenFailureAction(visit.failure);
        row.reason = visit.error;
        return row;
    }
    CloseConsole(console);
    const PolicyDecision d = DecideAction(row.version, image.version, o.reinstall, o.allowOlder);
    row.action = ActionName(d.action);
    row.reason = d.reason;
    return row;
}

std::string Or(const std::string& text) { return text.empty() ? "-" : text; }

}  // namespace

int RunPlan(const CliOptions& o, const ImageReport& image) {
    std::vector<DeviceTarget> targets;
    const int rc = CollectTargets(o, targets);
    if (rc >= 0) return rc;
    std::vector<PlanRow> rows;
    bool unreachable = false;
    for (const DeviceTarget& t : targets) {
        rows.push_back(PlanDevice(t, o, image));
        unreachable = unreachable || rows.back().action == "error" || rows.back().action == "busy";
    }
    if (o.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const PlanRow& r : rows)
            list.push_back({{"device", r.device},
                            {"ip", r.ip},
                            {"mac", r.mac},
                            {"current_version", r.version},
                            {"image", image.source},
                            {"image_version", image.version},
                            {"action", r.action},
                            {"reason", r.reason}});
        PrintJsonDocument({{"image", image.source}, {"image_version", image.version}, {"devices", list}});
    } else {
        size_t w = 6;
        for (const PlanRow& r : rows) w = std::max(w, r.device.size());
        const int width = static_cast<int>(w);
        PrintTo(stdout, "%-*s  %-17s  %-15s  %-8s  %-8s  %-7s  %s\n", width, "DEVICE", "MAC", "IP", "CURRENT", "IMAGE",
                "ACTION", "REASON");
        for (const PlanRow& r : rows)
            PrintTo(stdout, "%-*s  %-17s  %-15s  %-8s  %-8s  %-7s  %s\n", width, r.device.c_str(), Or(r.mac).c_str(),
                    Or(r.ip).c_str(), Or(r.version).c_str(), image.version.c_str(), r.action.c_str(), r.reason.c_str());
    }
    return unreachable ? kExitFailed : kExitOk;
}
