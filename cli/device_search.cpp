#include "cli/device_search.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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
