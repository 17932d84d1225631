#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <cstdio>

#include "net/datagram.h"
#include "net/trace.h"

NetSocket NetSearchSocket(uint16_t port) {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) return kNoSocket;
    BOOL one = TRUE;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    return static_cast<NetSocket>(s);
}

int NetSetReceiveBuffer(NetSocket socket, int bytes) {
    const SOCKET s = static_cast<SOCKET>(socket);
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
    int granted = 0;
    int length = sizeof granted;
    if (getsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&granted), &length) != 0) return 0;
    return granted;
}

void NetJoinMulticast(NetSocket socket, const char* group, uint32_t interfaceAddress) {
    ip_mreq membership = {};
    membership.imr_multiaddr.s_addr = inet_addr(group);
    membership.imr_interface.s_addr = htonl(INADDR_ANY);
    setsockopt(static_cast<SOCKET>(socket), IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&membership),
               sizeof membership);
    NetUseMulticastInterface(socket, interfaceAddress);
}

void NetUseMulticastInterface(NetSocket socket, uint32_t interfaceAddress) {
    in_addr out = {};
    out.s_addr = interfaceAddress;
    setsockopt(static_cast<SOCKET>(socket), IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&out),
               sizeof out);
}

int NetSendTo(NetSocket socket, const char* data, int length, const char* address, uint16_t port) {
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = inet_addr(address);
    const int sent = sendto(static_cast<SOCKET>(socket), data, length, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (sent > 0 && NetTrace) NetTrace->OnDatagram(true, to.sin_addr.s_addr, port, data, sent);
    return sent;
}

int NetReceiveFrom(NetSocket socket, char* buffer, int capacity, int timeoutMs, uint32_t& sender) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(socket), &readable);
    timeval wait = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready == 0) return kReceiveTimedOut;
    if (ready < 0) return kReceiveFailed;
    sockaddr_in from = {};
    int length = sizeof from;
    const int got =
        recvfrom(static_cast<SOCKET>(socket), buffer, capacity, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (got < 0) return kReceiveFailed;
    sender = from.sin_addr.s_addr;
    if (got > 0 && NetTrace) NetTrace->OnDatagram(false, sender, ntohs(from.sin_port), buffer, got);
    return got;
}

bool NetOwnFirstAddress(uint32_t& address) {
    char name[80] = {};
    if (gethostname(name, sizeof name) != 0) return false;
    hostent* found = gethostbyname(name);
    if (!found || !found->h_addr_list[0]) return false;
    memcpy(&address, found->h_addr_list[0], 4);
    return true;
}

bool NetSearchInterfaces(const char* interfaceName, std::vector<uint32_t>& addresses) {
    addresses.clear();
    uint32_t own = 0;
    if (interfaceName || !NetOwnFirstAddress(own)) return false;
    addresses.push_back(own);
    return true;
}

void NetAddressText(uint32_t address, char (&text)[16]) {
    in_addr a = {};
    a.s_addr = address;
    snprintf(text, sizeof text, "%s", inet_ntoa(a));
}
