#include "cli/device/device_plan.h"

#include "cli/device/version_policy.h"
#include "console/console_session.h"

namespace {

const char* OpenFailureAction(OpenFailure failure) {
    switch (failure) {
    case OpenFailure::Busy: return "busy";
    case OpenFailure::MacChanged: return "refuse";
    default: return "error";
    }
}

}  // namespace

PlanRow PlanDevice(const DeviceTarget& t, const DeviceAccess& access, const VersionPolicy& policy,
                   const ImageReport& image) {
    ConsoleConnection console;
    console.waits = ConsoleWaitsFrom(access);
    DeviceLock lock;
    DeviceVisit visit;
    const bool opened = OpenDevice(console, t, lock, visit);
    PlanRow row{t.device.Label(), visit.ip, visit.mac.empty() ? t.searchMac : visit.mac, visit.version, "", "", t.name};
    if (!opened) {
        row.action = OpenFailureAction(visit.failure);
        row.reason = visit.error;
        return row;
    }
    CloseConsole(console);
    const PolicyDecision d = DecideAction(row.version, image.version, policy);
    row.action = ActionName(d.action);
    row.reason = d.reason;
    return row;
}

bool PlanWouldWrite(const PlanRow& row) {
    return row.action == "update" || row.action == "error" || row.action == "busy";
}
