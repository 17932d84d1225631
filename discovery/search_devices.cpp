#include "discovery/search_devices.h"

#include <atomic>
#include <cstring>

#include "discovery/device_table.h"
#include "discovery/search_schedule.h"
#include "net/datagram.h"
#include "net/mac_resolver.h"
#include "net/thread.h"

namespace {

constexpr const char* kSsdpGroup = "239.255.255.250";
// The dialog's search leaves the socket's options as the platform sets them.
constexpr int kPlatformReceiveBuffer = 0;

struct ReceiveContext {
    NetSocket socket;
    DeviceStore* store;
    std::atomic<bool> stop{false};
};

// Hands each maker sender to the store until the search ends. It polls so
// that the search can end it and wait for it: nothing is stored after the
// search has returned.
void SsdpReceiveThread(void* argument) {
    auto* context = static_cast<ReceiveContext*>(argument);
    char buffer[2048];
    while (!context->stop.load()) {
        std::memset(buffer, 0, sizeof buffer);
        uint32_t sender = 0;
        const int got = NetReceiveFrom(context->socket, buffer, 2047, 100, sender);
        if (got == kReceiveTimedOut) continue;
        if (got < 0) return;
        char ip[16];
        NetAddressText(sender, ip);
        if (context->store->Known(ip)) continue;
        unsigned char mac[6];
        std::memset(mac, 0xFF, sizeof mac);
        ResolveMacAddress(sender, mac);
        if (!PassesMacFilter(mac)) continue;
        context->store->Add(ip, mac);
    }
}

void SendRequestOn(NetSocket socket, const std::vector<uint32_t>& interfaces) {
    for (uint32_t address : interfaces) {
        NetUseMulticastInterface(socket, address);
        NetSendTo(socket, kSearchRequest, kSearchRequestSize, kSsdpGroup, 1900);
    }
}

// One search on interfaces, the request sent at each of sendAtMs; a
// receiveBufferBytes above 0 asks for that receive buffer first.
bool RunSearch(DeviceStore& store, int waitMs, const std::vector<uint32_t>& interfaces,
               const std::vector<int>& sendAtMs, int receiveBufferBytes) {
    PrepareMacResolver();
    ReceiveContext context;
    context.socket = NetSearchSocket(1900);
    context.store = &store;
    if (context.socket == kNoSocket) return false;
    if (receiveBufferBytes > 0) NetSetReceiveBuffer(context.socket, receiveBufferBytes);
    for (uint32_t address : interfaces) NetJoinMulticast(context.socket, kSsdpGroup, address);
    NetThread receiver;
    receiver.Start(SsdpReceiveThread, &context);
    int elapsedMs = 0;
    for (int at : sendAtMs) {
        if (at > elapsedMs) NetSleep(at - elapsedMs);
        elapsedMs = at > elapsedMs ? at : elapsedMs;
        SendRequestOn(context.socket, interfaces);
    }
    if (waitMs > elapsedMs) NetSleep(waitMs - elapsedMs);
    context.stop.store(true);
    receiver.Join();
    NetClose(context.socket);
    return true;
}

}  // namespace

bool SearchDevicesInto(DeviceStore& store, int waitMs, const char* interfaceName) {
    std::vector<uint32_t> interfaces;
    if (!NetSearchInterfaces(interfaceName, interfaces)) return false;
    return SearchDevicesOn(store, waitMs, interfaces);
}

bool SearchDevicesOn(DeviceStore& store, int waitMs, const std::vector<uint32_t>& interfaces) {
    return RunSearch(store, waitMs, interfaces, {0}, kPlatformReceiveBuffer);
}

bool SearchDevicesRepeated(DeviceStore& store, int waitMs, const std::vector<uint32_t>& interfaces,
                           const std::vector<int>& sendAtMs) {
    return RunSearch(store, waitMs, interfaces, sendAtMs, kSearchReceiveBufferBytes);
}

bool SearchDevices(DeviceTableState& table, std::vector<std::string>& entries, int waitMs, const char* interfaceName) {
    // Never list an earlier search's devices, also when the receive thread does not start.
    table.slotCount = 0;
    DeviceTableStore store(table);
    if (!SearchDevicesInto(store, waitMs, interfaceName)) return false;
    entries = BuildDeviceEntries(table);
    return true;
}
