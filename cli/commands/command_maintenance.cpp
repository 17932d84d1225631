// erase and mac: the console's maintenance commands, each with the lock and a history line.
#include <chrono>
#include <cstdio>

#include "cli/commands/commands.h"
#include "cli/commands/confirm.h"
#include "cli/commands/exit_codes.h"
#include "cli/commands/targets_or_exit.h"
#include "cli/device/device_session.h"
#include "cli/output/history.h"
#include "cli/output/terminal.h"
#include "console/console_session.h"
#include "console/maintenance.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Maintenance {
    ConsoleConnection console;
    DeviceAddress device;
    DeviceVisit visit;
    DeviceLock lock;
    Clock::time_point start = Clock::now();
};

// The device from the command line, resolved and locked. -1 to go on.
int Reserve(const CliOptions& o, Maintenance& m) {
    if (const int rc = SingleTargetOrExitCode(o.host, o.port, m.device); rc >= 0) return rc;
    m.console.waits = ConsoleWaitsFrom(AccessFrom(o));
    if (ReserveDevice(m.device, m.lock, m.visit)) return -1;
    PrintTo(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), m.visit.error.c_str());
    return m.visit.failure == OpenFailure::Busy ? kExitBusy : kExitFailed;
}

void Record(const CliOptions& o, const Maintenance& m, nlohmann::json record) {
    record["time"] = UtcTimestamp();
    record["command"] = o.command;
    record["device"] = m.device.Label();
    record["ip"] = m.visit.ip;
    record["port"] = m.device.port;
    record["mac"] = m.visit.mac;
    record["seconds"] = std::chrono::duration<double>(Clock::now() - m.start).count();
    std::string error;
    if (!AppendHistory(HistoryPath(o.historyPath), record, error))
        PrintTo(stderr, "tqm530r: history: %s\n", error.c_str());
}

void WarnOfEarlierTail(const CliOptions& o, const Maintenance& m, const std::string& tail) {
    std::vector<nlohmann::json> records;
    std::string error;
    if (!ReadHistory(HistoryPath(o.historyPath), records, error)) return;
    const nlohmann::json earlier = FindMacTailElsewhere(records, tail, m.visit.ip, m.device.port);
    if (earlier.is_null()) return;
    PrintTo(stderr, "tqm530r: warning: MAC tail %s was already written to %s on %s\n", tail.c_str(),
            earlier.value("device", "?").c_str(), earlier.value("time", "?").c_str());
}

}  // namespace

int RunErase(const CliOptions& o, const ImageReport&) {
    Maintenance m;
    int rc = Reserve(o, m);
    if (rc >= 0) return rc;
    rc = ConfirmOrRefuse(o.yes, "erase wipes the device's flash",
                         "Erase the flash ROM of " + m.device.Label() + " (blocks 20000..F0000)?");
    if (rc >= 0) return rc;
    // As the dialog: the selection has logged in and read the version before the erase.
    if (!OpenReservedDevice(m.console, {m.device, ""}, m.visit)) {
        PrintTo(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), m.visit.error.c_str());
        Record(o, m, {{"old_version", m.visit.version}, {"result", "failed"}, {"detail", m.visit.error}});
        return kExitFailed;
    }
    SendEraseCommands(m.console);
    CloseConsole(m.console);
    const std::string blocks = std::to_string(kErasedBlocks) + " blocks";
    PrintTo(stdout, "%s: erase sent (%s, 20000..F0000); the device runs no firmware until the next update\n",
            m.device.Label().c_str(), blocks.c_str());
    Record(o, m, {{"old_version", m.visit.version}, {"new_version", ""}, {"result", "erased"}, {"detail", blocks}});
    return kExitOk;
}

int RunMac(const CliOptions& o, const ImageReport&) {
    const char* digits = o.macDigits.c_str();  // four hexadecimal digits, checked by ParseCommandLine
    Maintenance m;
    const int rc = Reserve(o, m);
    if (rc >= 0) return rc;
    const std::string tail = o.macDigits.substr(0, 4);
    WarnOfEarlierTail(o, m, tail);
    // As every command: the connect, the MAC check and the login; the write reads no version.
    if (!OpenReservedDevice(m.console, {m.device, ""}, m.visit, {}, false)) {
        const std::string reason = m.visit.error + "; nothing written";
        PrintTo(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), reason.c_str());
        Record(o, m, {{"mac_tail", tail}, {"result", "failed"}, {"detail", reason}});
        return kExitFailed;
    }
    if (SendMacWrite(m.console, digits) != MacWriteOutcome::Written) {
        const char* reason = "MAC address write failed (send)";
        PrintTo(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), reason);
        Record(o, m, {{"mac_tail", tail}, {"result", "failed"}, {"detail", reason}});
        return kExitFailed;
    }
    char address[kMacAddressTextSize];
    FormatWrittenMacAddress(digits, address);
    const std::string written = std::string("MAC address [") + address + "] written.";
    PrintTo(stdout, "%s\n", written.c_str());
    Record(o, m, {{"mac_tail", tail}, {"result", "written"}, {"detail", written}});
    return kExitOk;
}
