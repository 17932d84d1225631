#include "cli/device/device_session.h"

#include <cstdio>

#include "console/device_access.h"
#include "net/datagram.h"
#include "net/socket.h"

namespace {

// The short console waits in seconds, for messages.
std::string LoginWaitText(const ConsoleConnection& console) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", console.waits.loginMs / 1000.0);
    return text;
}

bool Fail(DeviceVisit& visit, OpenFailure failure, std::string error) {
    visit.failure = failure;
    visit.error = std::move(error);
    return false;
}

bool Explain(DeviceReach reach, const ConsoleConnection& console, const DeviceTarget& target,
             const ReachedDevice& device, DeviceVisit& visit) {
    switch (reach) {
    case DeviceReach::Reached: return true;
    case DeviceReach::HostNotResolved: return Fail(visit, OpenFailure::Unresolved, "host name does not resolve");
    case DeviceReach::NoSocket:
    case DeviceReach::NotConnected:
        return Fail(visit, OpenFailure::Unreachable,
                    "cannot connect to the console (port " + std::to_string(target.device.port) +
                        ", refused or no answer within " + LoginWaitText(console) + ")");
    case DeviceReach::MacChanged:
        return Fail(visit, OpenFailure::MacChanged,
                    "MAC changed since the search: was " + target.searchMac + ", now " +
                        (device.mac.empty() ? "unresolved" : device.mac));
    case DeviceReach::LoginEnded:
        return Fail(visit, OpenFailure::NoLogin, "the device closed the connection before the password prompt");
    case DeviceReach::LoginFailed:
        return Fail(visit, OpenFailure::NoLogin, "no login and password prompt within " + LoginWaitText(console));
    case DeviceReach::NoVersion:
        return Fail(visit, OpenFailure::NoVersion,
                    "no answer to \"version\" (connection ended, or nothing within " + LoginWaitText(console) + ")");
    }
    return false;
}

}  // namespace

ConsoleTimeouts ConsoleWaitsFrom(const DeviceAccess& access) {
    ConsoleTimeouts waits;
    if (access.timeoutSeconds > 0) {
        const int ms = static_cast<int>(access.timeoutSeconds * 1000);
        waits.loginMs = ms;
        waits.lineMs = ms;
        waits.checksumMs = ms;
    }
    waits.completeMs = static_cast<int>(access.flashTimeoutSeconds * 1000);
    return waits;
}

bool ReserveDevice(const DeviceAddress& device, DeviceLock& lock, DeviceVisit& visit) {
    if (!ResolveHostText(device.host, visit.ip))
        return Fail(visit, OpenFailure::Unresolved, "host name does not resolve");
    std::string error;
    if (!lock.Acquire(visit.ip, device.port, error)) return Fail(visit, OpenFailure::Busy, error);
    return true;
}

bool OpenReservedDevice(ConsoleConnection& console, const DeviceTarget& target, DeviceVisit& visit,
                        const StepHook& hook, bool readVersion) {
    DeviceReachRequest request;
    request.host = target.device.host.c_str();
    request.port = target.device.port;
    request.connectTimeoutMs = console.waits.loginMs;
    request.expectedMac = target.searchMac;
    request.resolveMac = true;
    request.readVersion = readVersion;
    if (hook)
        request.onStep = [&hook](ReachStep step) {
            hook(step == ReachStep::Connect ? DevicePhase::Connect : DevicePhase::Login);
        };
    ReachedDevice device;
    const DeviceReach reach = ReachDevice(console, request, device);
    if (!device.ip.empty()) visit.ip = device.ip;
    visit.mac = device.mac.empty() ? target.searchMac : device.mac;
    visit.version = device.version;
    return Explain(reach, console, target, device, visit);
}

bool OpenDevice(ConsoleConnection& console, const DeviceTarget& target, DeviceLock& lock, DeviceVisit& visit,
                const StepHook& hook) {
    return ReserveDevice(target.device, lock, visit) && OpenReservedDevice(console, target, visit, hook);
}

bool ResolveHostText(const std::string& host, std::string& ip) {
    uint32_t address = 0;
    if (!NetResolveHost(host.c_str(), address)) return false;
    char text[16];
    NetAddressText(address, text);
    ip = text;
    return true;
}
