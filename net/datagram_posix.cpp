#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "net/datagram.h"
#include "net/trace.h"

NetSocket NetSearchSocket(uint16_t port) {
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return kNoSocket;
    int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(s);
        return kNoSocket;
    }
    return s;
}

int NetSetReceiveBuffer(NetSocket socket, int bytes) {
    const int fd = static_cast<int>(socket);
    int granted = 0;
    socklen_t length = sizeof granted;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    if (getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0) return 0;
    // Linux reports twice what it was asked (the doubled share is its
    // bookkeeping) and caps the request at net.core.rmem_max.
    if (granted >= bytes) return granted;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes);
    length = sizeof granted;
    return getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &length) == 0 ? granted : 0;
}

void NetJoinMulticast(NetSocket socket, const char* group, uint32_t interfaceAddress) {
    ip_mreq membership{};
    membership.imr_multiaddr.s_addr = inet_addr(group);
    membership.imr_interface.s_addr = interfaceAddress;
    setsockopt(static_cast<int>(socket), IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership);
    NetUseMulticastInterface(socket, interfaceAddress);
}

void NetUseMulticastInterface(NetSocket socket, uint32_t interfaceAddress) {
    in_addr out{};
    out.s_addr = interfaceAddress;
    setsockopt(static_cast<int>(socket), IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out);
}

bool NetSearchInterfaces(const char* interfaceName, std::vector<uint32_t>& addresses) {
    addresses.clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    std::vector<std::string> names;
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
        if (interfaceName) {
            if (std::strcmp(i->ifa_name, interfaceName) != 0) continue;
        } else {
            const unsigned wanted = IFF_UP | IFF_MULTICAST;
            if ((i->ifa_flags & wanted) != wanted || (i->ifa_flags & IFF_LOOPBACK)) continue;
        }
        // One address an interface: a second one on the same link would send
        // the search there twice and have every device answer twice.
        if (std::find(names.begin(), names.end(), i->ifa_name) != names.end()) continue;
        names.push_back(i->ifa_name);
        addresses.push_back(reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    }
    freeifaddrs(list);
    return !addresses.empty();
}

int NetSendTo(NetSocket socket, const char* data, int length, const char* address, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = inet_addr(address);
    const int sent = static_cast<int>(::sendto(static_cast<int>(socket), data, static_cast<size_t>(length), 0,
                                               reinterpret_cast<sockaddr*>(&to), sizeof to));
    if (sent > 0 && NetTrace) NetTrace->OnDatagram(true, to.sin_addr.s_addr, port, data, sent);
    return sent;
}

int NetReceiveFrom(NetSocket socket, char* buffer, int capacity, int timeoutMs, uint32_t& sender) {
    pollfd p{static_cast<int>(socket), POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) return kReceiveTimedOut;
    if (ready < 0) return kReceiveFailed;
    sockaddr_in from{};
    socklen_t length = sizeof from;
    // A datagram longer than the buffer is an error, as it is on Windows.
    msghdr message{};
    iovec chunk{buffer, static_cast<size_t>(capacity)};
    message.msg_name = &from;
    message.msg_namelen = length;
    message.msg_iov = &chunk;
    message.msg_iovlen = 1;
    const ssize_t got = ::recvmsg(static_cast<int>(socket), &message, 0);
    if (got < 0 || (message.msg_flags & MSG_TRUNC)) return kReceiveFailed;
    sender = from.sin_addr.s_addr;
    if (got > 0 && NetTrace) NetTrace->OnDatagram(false, sender, ntohs(from.sin_port), buffer, static_cast<int>(got));
    return static_cast<int>(got);
}

bool NetOwnFirstAddress(uint32_t& address) {
    char name[80] = {};
    if (gethostname(name, sizeof name) != 0) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return false;
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

void NetAddressText(uint32_t address, char (&text)[16]) {
    in_addr a{};
    a.s_addr = address;
    std::snprintf(text, sizeof text, "%s", inet_ntoa(a));
}
