#include <winsock2.h>
#include <windows.h>

#include "net/socket.h"
#include "net/trace.h"

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

namespace {

sockaddr_in ConsoleAddress(uint32_t address, uint16_t port) {
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    return to;
}

bool SetBlocking(SOCKET s, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}

// Waits for a connect in progress: writable means connected, an exception failed.
bool AwaitConnect(SOCKET s, int timeoutMs) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval wait = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, nullptr, &writable, &failed, &wait) > 0 && FD_ISSET(s, &writable);
}

}  // namespace

bool NetConnect(NetSocket s, uint32_t address, uint16_t port) {
    const sockaddr_in to = ConsoleAddress(address, port);
    const bool connected = connect(static_cast<SOCKET>(s), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    if (connected && NetTrace) NetTrace->OnConnected(s, address, port);
    return connected;
}

bool NetConnectWithin(NetSocket s, uint32_t address, uint16_t port, int timeoutMs) {
    const SOCKET socket = static_cast<SOCKET>(s);
    if (!SetBlocking(socket, false)) return false;
    const sockaddr_in to = ConsoleAddress(address, port);
    bool connected = connect(socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) connected = AwaitConnect(socket, timeoutMs);
    connected = SetBlocking(socket, true) && connected;
    if (connected && NetTrace) NetTrace->OnConnected(s, address, port);
    return connected;
}

int NetSend(NetSocket s, const char* data, int length) {
    const int sent = send(static_cast<SOCKET>(s), data, length, 0);
    if (sent > 0 && NetTrace) NetTrace->OnStream(s, true, data, sent);
    return sent;
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
    if (got > 0 && NetTrace) NetTrace->OnStream(s, false, buffer, got);
    return got < 0 ? kReceiveFailed : got;
}

void NetClose(NetSocket s) {
    if (s != kNoSocket) closesocket(static_cast<SOCKET>(s));
}

void NetShutdown(NetSocket s) {
    if (s != kNoSocket) shutdown(static_cast<SOCKET>(s), SD_BOTH);
}

void NetSleep(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }
