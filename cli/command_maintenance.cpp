// erase and mac: the console's maintenance commands, each with the lock and a history line.
#include <chrono>
#include <cstdio>

#include "cli/commands.h"
#include "cli/confirm.h"
#include "cli/device_console.h"
#include "cli/device_lock.h"
#include "cli/exit_codes.h"
#include "cli/history.h"
#include "console/console_limits.h"
#include "console/console_session.h"
#include "console/maintenance.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Maintenance {
    DeviceAddress device;
    std::string ip;
    std::string mac;
    DeviceLock lock;
    Clock::time_point start = Clock::now();
};

// The device from the command line, resolved and locked. -1 to go on.
int Prepare(const CliOptions& o, Maintenance& m, const char* unresolvedText) {
    std::string error;
    if (!ParseDeviceAddress(o.hosts.at(0), static_cast<unsigned short>(o.port), m.device, error)) {
        std::fprintf(stderr, "tqm530r: %s\n", error.c_str());
        return kExitUsage;
    }
    if (!ResolveHostText(m.device.host, m.ip)) {
        std::fprintf(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), unresolvedText);
        return kExitFailed;
    }
    if (!m.lock.Acquire(m.ip, m.device.port, error)) {
        std::fprintf(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), error.c_str());
        return kExitBusy;
    }
    return -1;
}

void Record(const CliOptions& o, const Maintenance& m, nlohmann::json record) {
    record["time"] = UtcTimestamp();
    record["command"] = o.command;
    record["device"] = m.device.Label();
    record["ip"] = m.ip;
    record["port"] = m.device.port;
    record["mac"] = m.mac;
    record["seconds"] = std::chrono::duration<double>(Clock::now() - m.start).count();
    std::string error;
    const std::string path = o.historyPath.empty() ? DefaultHistoryPath() : o.historyPath;
    if (!AppendHistory(path, record, error)) std::fprintf(stderr, "tqm530r: history: %s\n", error.c_str());
}

}  // namespace

int RunErase(const CliOptions& o, const ImageReport&) {
    Maintenance m;
    int rc = Prepare(o, m, "host name does not resolve");
    if (rc >= 0) return rc;
    rc = ConfirmOrRefuse(o.yes, "erase wipes the device's flash",
                         "Erase the flash ROM of " + m.device.Label() + " (blocks 20000..F0000)?");
    if (rc >= 0) return rc;
    std::string error, version;
    // As the dialog: the selection has logged in and read the version before the erase.
    if (!ConnectAndLogin(m.device, error) || !ReadDeviceVersion(version, error)) {
        std::fprintf(stderr, "tqm530r: %s: %s\n", m.device.Label().c_str(), error.c_str());
        Record(o, m, {{"old_version", version}, {"result", "failed"}, {"detail", error}});
        return kExitFailed;
    }
    m.mac = CurrentMac(m.ip);
    SendEraseCommands();
    CloseConsole();
    std::printf("%s: erase sent (14 blocks, 20000..F0000); the device runs no firmware until the next update\n",
                m.device.Label().c_str());
    Record(o, m, {{"old_version", version}, {"new_version", ""}, {"result", "erased"}, {"detail", "14 blocks"}});
    return kExitOk;
}

int RunMac(const CliOptions& o, const ImageReport&) {
    const char* digits = o.macDigits.c_str();
    if (!IsValidMacDigits(digits)) {
        std::fprintf(stderr, "tqm530r: Invalid MAC address (%s: four hexadecimal digits are needed); nothing sent\n",
                     digits);
        return kExitUsage;
    }
    Maintenance m;
    const int rc = Prepare(o, m, "Invalid IP address");
    if (rc >= 0) return rc;
    const std::string tail = o.macDigits.substr(0, 4);
    std::vector<nlohmann::json> records;
    std::string error;
    const std::string path = o.historyPath.empty() ? DefaultHistoryPath() : o.historyPath;
    if (ReadHistory(path, records, error)) {
        const nlohmann::json earlier = FindMacTailElsewhere(records, tail, m.ip, m.device.port);
        if (!earlier.is_null())
            std::fprintf(stderr, "tqm530r: warning: MAC tail %s was already written to %s on %s\n", tail.c_str(),
                         earlier.value("device", "?").c_str(), earlier.value("time", "?").c_str());
    }
    MacWriteOutcome outcome;
    {
        // Bounds the connect inside; a login receive that it interrupts is simply waited again.
        ConnectDeadline deadline(ConsoleWaits.loginMs);
        outcome = RunMacWrite(m.device.host.c_str(), digits, m.device.port);
    }
    m.mac = CurrentMac(m.ip);
    char message[1024];
    const char* text = MacWriteOutcomeText(outcome, digits, message);
    const bool written = outcome == MacWriteOutcome::Written;
    std::fprintf(written ? stdout : stderr, "%s\n", text);
    Record(o, m, {{"mac_tail", tail}, {"result", written ? "written" : "failed"}, {"detail", text}});
    return written ? kExitOk : kExitFailed;
}
