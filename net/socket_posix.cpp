#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "net/socket.h"
#include "net/trace.h"

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

namespace {

// The receive wait last set on a socket, as (socket << 32 | milliseconds).
// Only sockets from NetTcpSocket and closed by NetClose come here, so a
// number that comes back for a new socket has been forgotten first.
// The image lines all wait the same time, so the wait is set once and each
// line costs one receive instead of a poll and a receive.
std::atomic<int64_t> WaitSetOnSocket{-1};

int64_t WaitKey(int socket, int milliseconds) { return (static_cast<int64_t>(socket) << 32) | milliseconds; }

void ForgetWait(int socket) {
    int64_t key = WaitSetOnSocket.load();
    while ((key >> 32) == socket && !WaitSetOnSocket.compare_exchange_weak(key, -1)) {
    }
}

bool SetReceiveWait(int socket, int milliseconds) {
    const int64_t key = WaitKey(socket, milliseconds);
    if (WaitSetOnSocket.load() == key) return true;
    timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
    if (setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) != 0) return false;
    WaitSetOnSocket.store(key);
    return true;
}

}  // namespace

NetSocket NetTcpSocket() {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return kNoSocket;
    ForgetWait(s);  // a new socket under a closed one's number has no wait yet
    return s;
}

namespace {

sockaddr_in ConsoleAddress(uint32_t address, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    return to;
}

bool SetBlocking(int fd, bool blocking) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    return ::fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

// Waits for a connect in progress to end; true when it connected.
bool AwaitConnect(int fd, int timeoutMs) {
    pollfd p{fd, POLLOUT, 0};
    int ready;
    do ready = ::poll(&p, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);  // a signal does not shorten the wait much: it is short
    if (ready <= 0) return false;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace

bool NetConnect(NetSocket socket, uint32_t address, uint16_t port) {
    const sockaddr_in to = ConsoleAddress(address, port);
    const bool connected = ::connect(static_cast<int>(socket), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    if (connected && NetTrace) NetTrace->OnConnected(socket, address, port);
    return connected;
}

bool NetConnectWithin(NetSocket socket, uint32_t address, uint16_t port, int timeoutMs) {
    const int fd = static_cast<int>(socket);
    if (!SetBlocking(fd, false)) return false;
    const sockaddr_in to = ConsoleAddress(address, port);
    bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    if (!connected && errno == EINPROGRESS) connected = AwaitConnect(fd, timeoutMs);
    connected = SetBlocking(fd, true) && connected;
    if (connected && NetTrace) NetTrace->OnConnected(socket, address, port);
    return connected;
}

int NetSend(NetSocket socket, const char* data, int length) {
    ssize_t sent;
    do sent = ::send(static_cast<int>(socket), data, static_cast<size_t>(length), MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    if (sent > 0 && NetTrace) NetTrace->OnStream(socket, true, data, static_cast<int>(sent));
    return static_cast<int>(sent);
}

int NetReceive(NetSocket socket, char* buffer, int capacity, int timeoutMs) {
    const int fd = static_cast<int>(socket);
    // A socket wait of 0 would mean no bound at all: poll for those (and for
    // a negative wait, which poll takes as no bound, as before).
    if (fd < 0 || timeoutMs <= 0 || !SetReceiveWait(fd, timeoutMs)) {
        pollfd p{fd, POLLIN, 0};
        int ready;
        do ready = ::poll(&p, 1, timeoutMs);
        while (ready < 0 && errno == EINTR);
        if (ready == 0) return kReceiveTimedOut;
        if (ready < 0) return kReceiveFailed;
    }
    ssize_t got;
    do got = ::recv(fd, buffer, static_cast<size_t>(capacity), 0);
    while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return kReceiveTimedOut;
    if (got > 0 && NetTrace) NetTrace->OnStream(socket, false, buffer, static_cast<int>(got));
    return got < 0 ? kReceiveFailed : static_cast<int>(got);
}

void NetClose(NetSocket socket) {
    if (socket == kNoSocket) return;
    ForgetWait(static_cast<int>(socket));
    ::close(static_cast<int>(socket));
}

void NetShutdown(NetSocket socket) {
    if (socket != kNoSocket) ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}

void NetSleep(int milliseconds) {
    timespec t{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}
