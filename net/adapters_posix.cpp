#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include "net/adapters.h"
#include "net/datagram.h"

bool NetAdapterKnown(const char* adapter) { return if_nametoindex(adapter) != 0; }

bool NetAdapterAddresses(const char* adapter, std::vector<uint32_t>& addresses) {
    return NetSearchInterfaces(adapter, addresses);
}

bool NetHostAddresses(std::vector<uint32_t>& addresses) {
    addresses.clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    for (ifaddrs* i = list; i; i = i->ifa_next)
        if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET)
            addresses.push_back(reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    freeifaddrs(list);
    return true;
}
