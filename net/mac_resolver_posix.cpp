// MAC addresses from the kernel's neighbour table. A missing entry is
// prompted by a datagram to the sender, then looked up again for about a second.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "net/mac_resolver.h"
#include "net/socket.h"

namespace {

bool ParseMac(const char* text, unsigned char (&mac)[6]) {
    unsigned v[6];
    if (std::sscanf(text, "%x:%x:%x:%x:%x:%x", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) != 6) return false;
    for (int i = 0; i < 6; ++i) mac[i] = static_cast<unsigned char>(v[i]);
    return true;
}

bool FromNeighbourTable(uint32_t address, unsigned char (&mac)[6]) {
    FILE* table = std::fopen("/proc/net/arp", "r");
    if (!table) return false;
    char ip[64], hw[64], line[256];
    unsigned type, flags;
    bool found = false;
    in_addr a{};
    a.s_addr = address;
    const std::string wanted = inet_ntoa(a);
    while (!found && std::fgets(line, sizeof line, table)) {
        if (std::sscanf(line, "%63s 0x%x 0x%x %63s", ip, &type, &flags, hw) != 4) continue;
        found = wanted == ip && (flags & 0x2) && ParseMac(hw, mac);  // 0x2: entry complete
    }
    std::fclose(table);
    return found;
}

// One of this host's own addresses: the interface's own hardware address.
bool FromOwnInterface(uint32_t address, unsigned char (&mac)[6]) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    std::string name;
    for (ifaddrs* i = list; i && name.empty(); i = i->ifa_next)
        if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET &&
            reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr == address)
            name = i->ifa_name;
    bool found = false;
    for (ifaddrs* i = list; i && !name.empty() && !found; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_PACKET || name != i->ifa_name) continue;
        auto* link = reinterpret_cast<sockaddr_ll*>(i->ifa_addr);
        if (link->sll_halen != 6) continue;
        std::memcpy(mac, link->sll_addr, 6);
        found = true;
    }
    freeifaddrs(list);
    return found || !name.empty();  // loopback has no MAC: leave the buffer as it was
}

void PromptResolution(uint32_t address) {
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);  // discard
    to.sin_addr.s_addr = address;
    ::sendto(s, "", 0, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::close(s);
}

}  // namespace

bool PrepareMacResolver() { return true; }

void ResolveMacAddress(uint32_t address, unsigned char (&mac)[6]) {
    if (FromOwnInterface(address, mac) || FromNeighbourTable(address, mac)) return;
    PromptResolution(address);
    for (int i = 0; i < 20; ++i) {
        NetSleep(50);
        if (FromNeighbourTable(address, mac)) return;
    }
}
