#include "cli/device/device_session.h"

#include <cstdio>
#include <cstring>

#include "console/console_limits.h"
#include "console/console_session.h"
#include "discovery/device_table.h"
#include "net/datagram.h"
#include "net/mac_resolver.h"
#include "net/socket.h"

namespace {

// The short console waits in seconds, for messages.
std::string LoginWaitText() {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", ConsoleWaits.loginMs / 1000.0);
    return text;
}

bool Fail(DeviceVisit& visit, OpenFailure failure, std::string error) {
    visit.failure = failure;
    visit.error = std::move(error);
    return false;
}

// On false the console is closed.
bool Connect(const DeviceAddress& device, DeviceVisit& visit) {
    const ConsoleOpenResult opened = OpenConsole(device.host.c_str(), device.port, ConsoleWaits.loginMs);
    if (opened == ConsoleOpenResult::Connected) return true;
    CloseConsole();
    if (opened == ConsoleOpenResult::HostNotResolved)
        return Fail(visit, OpenFailure::Unresolved, "host name does not resolve");
    return Fail(visit, OpenFailure::Unreachable,
                "cannot connect to the console (port " + std::to_string(device.port) +
                    ", refused or no answer within " + LoginWaitText() + ")");
}

// The connect has just refreshed the neighbour entry, so ARP answers now.
bool CheckMac(const DeviceTarget& target, DeviceVisit& visit) {
    const std::string mac = CurrentMac(visit.ip);
    visit.mac = mac.empty() ? target.searchMac : mac;
    if (target.searchMac.empty() || mac == target.searchMac) return true;
    CloseConsole();
    return Fail(
        visit, OpenFailure::MacChanged,
        "MAC changed since the search: was " + target.searchMac + ", now " + (mac.empty() ? "unresolved" : mac));
}

bool LogIn(DeviceVisit& visit) {
    const int login = ConsoleLogin();
    if (login > 0) return true;
    CloseConsole();
    return Fail(visit, OpenFailure::NoLogin,
                login == 0 ? "the device closed the connection before the password prompt"
                           : "no login and password prompt within " + LoginWaitText());
}

bool ReadVersion(DeviceVisit& visit) {
    char text[17];
    if (QueryDeviceVersion(text)) {
        visit.version = text;
        return true;
    }
    CloseConsole();
    return Fail(visit, OpenFailure::NoVersion,
                "no answer to \"version\" (connection ended, or nothing within " + LoginWaitText() + ")");
}

}  // namespace

bool ReserveDevice(const DeviceAddress& device, DeviceLock& lock, DeviceVisit& visit) {
    if (!ResolveHostText(device.host, visit.ip))
        return Fail(visit, OpenFailure::Unresolved, "host name does not resolve");
    std::string error;
    if (!lock.Acquire(visit.ip, device.port, error)) return Fail(visit, OpenFailure::Busy, error);
    return true;
}

bool OpenReservedDevice(const DeviceTarget& target, DeviceVisit& visit, const StepHook& hook) {
    if (hook) hook("connect");
    if (!Connect(target.device, visit) || !CheckMac(target, visit)) return false;
    if (hook) hook("login");
    return LogIn(visit) && ReadVersion(visit);
}

bool OpenDevice(const DeviceTarget& target, DeviceLock& lock, DeviceVisit& visit, const StepHook& hook) {
    return ReserveDevice(target.device, lock, visit) && OpenReservedDevice(target, visit, hook);
}

bool ResolveHostText(const std::string& host, std::string& ip) {
    uint32_t address = 0;
    if (!NetResolveHost(host.c_str(), address)) return false;
    char text[16];
    NetAddressText(address, text);
    ip = text;
    return true;
}

bool IsUnresolvedMac(const std::string& mac) {
    return mac.empty() || mac == "ff-ff-ff-ff-ff-ff" || mac == "00-00-00-00-00-00";
}

std::string CurrentMac(const std::string& ip) {
    uint32_t address = 0;
    if (!ParseDottedAddress(ip, address)) return {};
    unsigned char mac[6];
    std::memset(mac, 0xFF, sizeof mac);
    ResolveMacAddress(address, mac);
    char text[kMacTextSize];
    FormatMacText(mac, text);
    return IsUnresolvedMac(text) ? std::string() : text;
}
