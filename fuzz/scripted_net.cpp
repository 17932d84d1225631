#include "fuzz/scripted_net.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "net/datagram.h"
#include "net/mac_resolver.h"
#include "net/socket.h"

namespace {
ScriptedPeer ThePeer;
constexpr NetSocket kScriptedSocket = 7;

uint8_t Next(ScriptedPeer& p) { return p.at < p.size ? p.data[p.at++] : 0; }
}  // namespace

ScriptedPeer& Peer() { return ThePeer; }

void ResetPeer(const uint8_t* data, size_t size, int failSendAt) {
    ThePeer = ScriptedPeer{};
    ThePeer.data = data;
    ThePeer.size = size;
    ThePeer.failSendAt = failSendAt;
}

bool NetResolveHost(const char*, uint32_t& address) {
    address = 0x0100007F;
    return true;
}
NetSocket NetTcpSocket() { return kScriptedSocket; }
bool NetConnect(NetSocket, uint32_t, uint16_t) { return true; }
bool NetConnectWithin(NetSocket, uint32_t, uint16_t, int) { return true; }

int NetSend(NetSocket socket, const char* data, int length) {
    if (socket != kScriptedSocket) __builtin_trap();  // a send on a closed socket
    ScriptedPeer& p = ThePeer;
    const int index = p.sends++;
    if (p.failSendAt >= 0 && index >= p.failSendAt) return -1;
    p.sent.append(data, static_cast<size_t>(length));
    return length;
}

// Script of one receive: a kind byte; kinds 0..2 are a timeout, a failure and
// the end of the connection; any other kind is followed by a two-byte length
// and that many bytes of data. The end of the script ends the connection.
int NetReceive(NetSocket socket, char* buffer, int capacity, int) {
    if (socket != kScriptedSocket) __builtin_trap();
    ScriptedPeer& p = ThePeer;
    if (p.pending.empty()) {
        if (p.at >= p.size) return 0;
        const uint8_t kind = Next(p) % 8;
        if (kind == 0) return kReceiveTimedOut;
        if (kind == 1) return kReceiveFailed;
        if (kind == 2) return 0;
        size_t length = (size_t{Next(p)} << 8) | Next(p);
        length = std::min(length, p.size - p.at);
        p.pending.assign(reinterpret_cast<const char*>(p.data + p.at), length);
        p.at += length;
        if (p.pending.empty()) return 0;
    }
    const size_t n = std::min(p.pending.size(), static_cast<size_t>(capacity));
    std::memcpy(buffer, p.pending.data(), n);
    p.pending.erase(0, n);
    return static_cast<int>(n);
}

void NetClose(NetSocket) {}
void NetSleep(int) {}

void NetAddressText(uint32_t address, char (&text)[16]) {
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address & 0xFF, (address >> 8) & 0xFF, (address >> 16) & 0xFF,
                  address >> 24);
}
// Like loopback: ARP gives no answer, the MAC stays as it was.
void ResolveMacAddress(uint32_t, unsigned char (&)[6]) {}
