#include "discovery/search_devices.h"

#include <atomic>
#include <cstring>

#include "discovery/device_table.h"
#include "net/datagram.h"
#include "net/mac_resolver.h"
#include "net/thread.h"

namespace {

constexpr const char* kSsdpGroup = "239.255.255.250";

struct ReceiveContext {
    NetSocket socket;
    std::atomic<bool> stop{false};
};

// Collects senders until the search ends. It polls so that the search can
// end it and wait for it: no pair arrives after the list is built.
void SsdpReceiveThread(void* argument) {
    auto* context = static_cast<ReceiveContext*>(argument);
    DeviceTable.slotCount = 0;
    char buffer[2048];
    while (!context->stop.load()) {
        std::memset(buffer, 0, sizeof buffer);
        uint32_t sender = 0;
        const int got = NetReceiveFrom(context->socket, buffer, 2047, 100, sender);
        if (got == kReceiveTimedOut) continue;
        if (got < 0) return;
        unsigned char mac[6];
        std::memset(mac, 0xFF, sizeof mac);
        ResolveMacAddress(sender, mac);
        if (!PassesMacFilter(mac)) continue;
        char ip[16];
        NetAddressText(sender, ip);
        AddDevicePair(DeviceTable, ip, mac);
    }
}

}  // namespace

bool SearchDevices(std::vector<std::string>& entries, int waitMs, const char* interfaceName) {
    PrepareMacResolver();
    ReceiveContext context;
    context.socket = NetSearchSocket(1900);
    if (context.socket == kNoSocket) return false;
    std::vector<uint32_t> interfaces;
    if (!NetSearchInterfaces(interfaceName, interfaces)) {
        NetClose(context.socket);
        return false;
    }
    for (uint32_t address : interfaces) NetJoinMulticast(context.socket, kSsdpGroup, address);
    NetThread receiver;
    const bool started = receiver.Start(SsdpReceiveThread, &context);
    if (!started) DeviceTable.slotCount = 0;  // never list an earlier search's devices
    for (uint32_t address : interfaces) {
        NetUseMulticastInterface(context.socket, address);
        NetSendTo(context.socket, kSearchRequest, kSearchRequestSize, kSsdpGroup, 1900);
    }
    NetSleep(waitMs);
    context.stop.store(true);
    receiver.Join();
    NetClose(context.socket);
    entries = BuildDeviceEntries(DeviceTable);
    return true;
}
