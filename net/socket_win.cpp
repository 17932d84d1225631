#include <winsock2.h>
#include <windows.h>

#include "net/socket.h"

bool NetResolveHost(const char* host, uint32_t& address) {
    hostent* found = gethostbyname(host);
    if (!found || found->h_addrtype != AF_INET || !found->h_addr_list[0]) return false;
    memcpy(&address, found->h_addr_list[0], 4);
    return true;
}

NetSocket NetTcpSocket() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    return s == INVALID_SOCKET ? kNoSocket : static_cast<NetSocket>(s);
}

bool NetConnect(NetSocket s, uint32_t address, uint16_t port) {
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    return connect(static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
}

int NetSend(NetSocket s, const char* data, int length) {
    return send(static_cast<SOCKET>(s), data, length, 0);
}

int NetReceive(NetSocket s, char* buffer, int capacity, int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(s), &readable);
    timeval wait = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready == 0) return kReceiveTimedOut;
    if (ready < 0) return kReceiveFailed;
    int got = recv(static_cast<SOCKET>(s), buffer, capacity, 0);
    return got < 0 ? kReceiveFailed : got;
}

void NetClose(NetSocket s) {
    if (s != kNoSocket) closesocket(static_cast<SOCKET>(s));
}

void NetSleep(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }
