// erase and mac: the console's maintenance commands, each with the lock and a history line.
#include "cli/commands/command_maintenance.h"

#include <chrono>
#include <cstdio>
#include <iterator>

#include "cli/commands/common_options.h"
#include "cli/commands/confirm.h"
#include "cli/commands/exit_codes.h"
#include "cli/commands/targets_or_exit.h"
#include "cli/device/device_outcome.h"
#include "cli/device/device_session.h"
#include "cli/output/messages.h"
#include "cli/output/history.h"
#include "cli/output/progress_display.h"
#include "cli/output/stored_json.h"
#include "cli/output/terminal.h"
#include "cli/output/visible_text.h"
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

bool ReadMacTail(std::string& text) {
    return text.size() == 4 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// The device from the command line, resolved and locked. -1 to go on.
int Reserve(const std::string& host, const DeviceAccess& access, Maintenance& m) {
    if (const int rc = SingleTargetOrExitCode(host, access.port, m.device); rc >= 0) return rc;
    m.console.waits = ConsoleWaitsFrom(access);
    if (ReserveDevice(m.device, m.lock, m.visit)) return -1;
    PrintTo(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), TrText(m.visit.error).c_str());
    return m.visit.failure == OpenFailure::Busy ? kExitBusy : kExitFailed;
}

void Record(const char* command, const std::string& historyPath, const Maintenance& m, nlohmann::json record) {
    record["time"] = UtcTimestamp();
    record["command"] = command;
    record["device"] = m.device.Label();
    record["ip"] = m.visit.ip;
    record["port"] = m.device.port;
    record["mac"] = m.visit.mac;
    record["seconds"] = std::chrono::duration<double>(Clock::now() - m.start).count();
    std::string error;
    if (!AppendHistory(HistoryPath(historyPath), record, error))
        PrintTo(stderr, "tqm530r: history: %s\n", error.c_str());
}

void WarnOfEarlierTail(const std::string& historyPath, const Maintenance& m, const std::string& tail) {
    std::vector<nlohmann::json> records;
    std::string error;
    if (!ReadHistory(HistoryPath(historyPath), records, error)) return;
    const nlohmann::json earlier = FindMacTailElsewhere(records, tail, m.visit.ip, m.device.port);
    if (earlier.is_null()) return;
    PrintTo(stderr, Tr("tqm530r: warning: MAC tail %s was already written to %s on %s\n"), tail.c_str(),
            VisibleText(FieldText(earlier, "device", "?")).c_str(),
            VisibleText(FieldText(earlier, "time", "?")).c_str());
}

// Why an erase failed, with how far it came.
std::string EraseFailureText(const EraseReport& erase, int waitMs) {
    const std::string sent =
        std::to_string(erase.linesSent) + " of " + std::to_string(std::size(kEraseCommands)) + " lines sent";
    switch (erase.outcome) {
    case EraseOutcome::EndedEarly: return "erase failed: the device ended the connection (" + sent + ")";
    case EraseOutcome::SendFailed: return "erase failed: a send did not go out (" + sent + ")";
    case EraseOutcome::Dropped: return "erase failed: the device dropped the connection before \"bye\" ended it";
    case EraseOutcome::NotEnded:
        return "erase failed: the device did not end the console within " + SecondsText(waitMs / 1000.0) +
               " of \"bye\"";
    case EraseOutcome::Done: break;
    }
    return "erase failed";
}

}  // namespace

void AddEraseOptions(CLI::App& c, EraseOptions& o, MainSettings& main) {
    c.add_option("host", o.host, Tr("HOST[:PORT] of the device"))->required();
    c.add_flag("-y,--yes", o.yes, Tr("do not ask for confirmation"));
    AddPort(c, o.access);
    AddTimeout(c, o.access);
    AddTrace(c, main);
    AddHistory(c, o.historyPath);
}

int RunErase(const EraseOptions& o) {
    Maintenance m;
    int rc = Reserve(o.host, o.access, m);
    if (rc >= 0) return rc;
    rc = ConfirmOrRefuse(o.yes, Tr("erase wipes the device's flash"),
                         Formatted(Tr("Erase the flash ROM of %s (blocks 20000..F0000)?"), m.device.Label().c_str()));
    if (rc >= 0) return rc;
    // As the dialog: the selection has logged in and read the version before the erase.
    if (!OpenReservedDevice(m.console, {m.device, "", ""}, m.visit)) {
        PrintTo(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), TrText(m.visit.error).c_str());
        Record("erase", o.historyPath, m,
               {{"old_version", m.visit.version},
                {"result", ResultName(DeviceResult::Failed)},
                {"detail", m.visit.error}});
        return kExitFailed;
    }
    const EraseReport erase = EraseAndAwaitEnd(m.console);
    CloseConsole(m.console);
    if (erase.outcome != EraseOutcome::Done) {
        const std::string reason = EraseFailureText(erase, m.console.waits.loginMs);
        PrintTo(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), TrText(reason).c_str());
        Record("erase", o.historyPath, m,
               {{"old_version", m.visit.version}, {"result", ResultName(DeviceResult::Failed)}, {"detail", reason}});
        return kExitFailed;
    }
    const std::string blocks = std::to_string(kErasedBlocks) + " blocks";
    PrintTo(stdout, Tr("%s: erase sent (%s, 20000..F0000); the device runs no firmware until the next update\n"),
            m.device.Label().c_str(), blocks.c_str());
    Record("erase", o.historyPath, m,
           {{"old_version", m.visit.version}, {"new_version", ""}, {"result", "erased"}, {"detail", blocks}});
    return kExitOk;
}

void AddMacOptions(CLI::App& c, MacOptions& o, MainSettings& main) {
    c.add_option("host", o.host, Tr("HOST[:PORT] of the device"))->required();
    c.add_option("digits", o.digits, Tr("four hexadecimal digits, e.g. 12ab"))
        ->required()
        ->check(Allowed(ReadMacTail, Tr("exactly four hexadecimal digits, e.g. 12ab; nothing sent")));
    AddPort(c, o.access);
    AddTimeout(c, o.access);
    AddTrace(c, main);
    AddHistory(c, o.historyPath);
}

int RunMac(const MacOptions& o) {
    const char* digits = o.digits.c_str();  // four hexadecimal digits, checked by ParseCommandLine
    Maintenance m;
    const int rc = Reserve(o.host, o.access, m);
    if (rc >= 0) return rc;
    const std::string tail = o.digits.substr(0, 4);
    WarnOfEarlierTail(o.historyPath, m, tail);
    // As every command: the connect, the MAC check and the login; the write reads no version.
    if (!OpenReservedDevice(m.console, {m.device, "", ""}, m.visit, {}, false)) {
        const std::string reason = m.visit.error + "; nothing written";
        PrintTo(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), TrText(reason).c_str());
        Record("mac", o.historyPath, m,
               {{"mac_tail", tail}, {"result", ResultName(DeviceResult::Failed)}, {"detail", reason}});
        return kExitFailed;
    }
    if (SendMacWrite(m.console, digits) != MacWriteOutcome::Written) {
        const char* reason = "MAC address write failed (send)";
        PrintTo(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), reason);
        Record("mac", o.historyPath, m,
               {{"mac_tail", tail}, {"result", ResultName(DeviceResult::Failed)}, {"detail", reason}});
        return kExitFailed;
    }
    char address[kMacAddressTextSize];
    FormatWrittenMacAddress(digits, address);
    const std::string written = std::string("MAC address [") + address + "] written.";
    PrintTo(stdout, "%s\n", written.c_str());
    Record("mac", o.historyPath, m, {{"mac_tail", tail}, {"result", "written"}, {"detail", written}});
    return kExitOk;
}
