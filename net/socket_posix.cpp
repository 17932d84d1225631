#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "net/socket.h"

bool NetResolveHost(const char* host, uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

NetSocket NetTcpSocket() {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return s < 0 ? kNoSocket : s;
}

bool NetConnect(NetSocket socket, uint32_t address, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    return ::connect(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
}

int NetSend(NetSocket socket, const char* data, int length) {
    ssize_t sent;
    do sent = ::send(static_cast<int>(socket), data, static_cast<size_t>(length), MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return static_cast<int>(sent);
}

int NetReceive(NetSocket socket, char* buffer, int capacity, int timeoutMs) {
    pollfd p{static_cast<int>(socket), POLLIN, 0};
    int ready;
    do ready = ::poll(&p, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    if (ready == 0) return kReceiveTimedOut;
    if (ready < 0) return kReceiveFailed;
    ssize_t got;
    do got = ::recv(static_cast<int>(socket), buffer, static_cast<size_t>(capacity), 0);
    while (got < 0 && errno == EINTR);
    return got < 0 ? kReceiveFailed : static_cast<int>(got);
}

void NetClose(NetSocket socket) {
    if (socket != kNoSocket) ::close(static_cast<int>(socket));
}

void NetSleep(int milliseconds) {
    timespec t{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}
