#include "cli/device_search.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <net/if.h>

#include "cli/exit_codes.h"
#include "discovery/device_table.h"
#include "discovery/search_devices.h"

namespace {

// The MAC of the first pair stored for ip, as the entry's MAC tail shows it.
std::string FirstMac(const std::string& ip) {
    for (int i = 0; i + 1 < DeviceTable.slotCount; i += 2)
        if (ip == DeviceTable.slots[i]) return DeviceTable.slots[i + 1];
    return {};
}

}  // namespace

bool SearchMakerDevices(int waitMs, const std::string& interfaceName, std::vector<FoundDevice>& devices) {
    std::vector<std::string> entries;
    if (!SearchDevices(entries, waitMs, interfaceName.empty() ? nullptr : interfaceName.c_str())) return false;
    std::sort(entries.begin(), entries.end());  // the dialog's list control sorts its entries
    devices.clear();
    for (const std::string& entry : entries) {
        char host[256];
        if (!HostFromEntry(entry.c_str(), host)) continue;
        devices.push_back({entry, host, FirstMac(host)});
    }
    return true;
}

int SearchForCommand(int waitMs, const std::string& interfaceName, std::vector<FoundDevice>& devices) {
    if (!interfaceName.empty() && if_nametoindex(interfaceName.c_str()) == 0) {
        std::fprintf(stderr, "tqm530r: no network interface %s\n", interfaceName.c_str());
        return kExitUsage;
    }
    if (!SearchMakerDevices(waitMs, interfaceName, devices)) {
        std::fprintf(stderr, "tqm530r: device search error (socket, port 1900 or own address)\n");
        return kExitSearchError;
    }
    return 0;
}
