#include <net/if.h>

#include "net/adapters.h"
#include "net/datagram.h"

bool NetAdapterKnown(const char* adapter) { return if_nametoindex(adapter) != 0; }

bool NetAdapterAddresses(const char* adapter, std::vector<uint32_t>& addresses) {
    return NetSearchInterfaces(adapter, addresses);
}
