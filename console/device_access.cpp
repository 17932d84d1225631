#include "console/device_access.h"

#include <cstring>

#include "discovery/device_table.h"
#include "net/datagram.h"
#include "net/mac_resolver.h"

namespace {

DeviceReach Fail(ConsoleConnection& console, DeviceReach reach) {
    CloseConsole(console);
    return reach;
}

DeviceReach Connect(ConsoleConnection& console, uint32_t address, const DeviceReachRequest& request) {
    console.socket = NetTcpSocket();
    if (console.socket == kNoSocket) return DeviceReach::NoSocket;
    const bool connected = request.connectTimeoutMs > 0
                               ? NetConnectWithin(console.socket, address, request.port, request.connectTimeoutMs)
                               : NetConnect(console.socket, address, request.port);
    return connected ? DeviceReach::Reached : Fail(console, DeviceReach::NotConnected);
}

// The connect has just refreshed the neighbour entry, so ARP answers now.
DeviceReach CheckMac(ConsoleConnection& console, uint32_t address, const DeviceReachRequest& request,
                     ReachedDevice& device) {
    if (request.expectedMac.empty() && !request.resolveMac) return DeviceReach::Reached;
    device.mac = CurrentMac(address);
    if (request.expectedMac.empty()) return DeviceReach::Reached;
    return device.mac == request.expectedMac ? DeviceReach::Reached : Fail(console, DeviceReach::MacChanged);
}

DeviceReach LogIn(ConsoleConnection& console) {
    const int login = ConsoleLogin(console);
    if (login > 0) return DeviceReach::Reached;
    return Fail(console, login == 0 ? DeviceReach::LoginEnded : DeviceReach::LoginFailed);
}

DeviceReach ReadVersion(ConsoleConnection& console, const DeviceReachRequest& request, ReachedDevice& device) {
    if (!request.readVersion) return DeviceReach::Reached;
    char text[17];
    if (!QueryDeviceVersion(console, text)) return Fail(console, DeviceReach::NoVersion);
    device.version = text;
    return DeviceReach::Reached;
}

}  // namespace

DeviceReach ReachDevice(ConsoleConnection& console, const DeviceReachRequest& request, ReachedDevice& device) {
    uint32_t address = 0;
    if (!NetResolveHost(request.host, address)) return DeviceReach::HostNotResolved;
    char ip[16];
    NetAddressText(address, ip);
    device.ip = ip;
    if (request.onStep) request.onStep(ReachStep::Connect);
    DeviceReach reach = Connect(console, address, request);
    if (reach == DeviceReach::Reached) reach = CheckMac(console, address, request, device);
    if (reach != DeviceReach::Reached) return reach;
    if (request.onStep) request.onStep(ReachStep::Login);
    reach = LogIn(console);
    if (reach == DeviceReach::Reached) reach = ReadVersion(console, request, device);
    return reach;
}

bool IsUnresolvedMac(const std::string& mac) {
    return mac.empty() || mac == "ff-ff-ff-ff-ff-ff" || mac == "00-00-00-00-00-00";
}

std::string CurrentMac(uint32_t address) {
    unsigned char mac[6];
    std::memset(mac, 0xFF, sizeof mac);
    ResolveMacAddress(address, mac);
    char text[kMacTextSize];
    FormatMacText(mac, text);
    return IsUnresolvedMac(text) ? std::string() : text;
}
