#include "cli/device_search.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <utility>

#include "discovery/device_table.h"
#include "discovery/search_devices.h"

namespace {

// TODO(merge): main gains SearchDevices(entries, waitMs, interfaceName). Once
// it is merged, drop this detection and call it directly. Until then the
// option is accepted and the search says that it used the default interface.
template <typename Entries, typename = void>
struct HasInterfaceSearch : std::false_type {};
template <typename Entries>
struct HasInterfaceSearch<Entries, std::void_t<decltype(SearchDevices(std::declval<Entries&>(), 0,
                                                                      static_cast<const char*>(nullptr)))>>
    : std::true_type {};

template <typename Entries>
bool Search(Entries& entries, int waitMs, const std::string& interfaceName) {
    if constexpr (HasInterfaceSearch<Entries>::value) {
        return SearchDevices(entries, waitMs, interfaceName.empty() ? nullptr : interfaceName.c_str());
    } else {
        if (!interfaceName.empty())
            std::fprintf(stderr, "tqm530r: note: this build searches on the default interface, not %s\n",
                         interfaceName.c_str());
        return SearchDevices(entries, waitMs);
    }
}

// The MAC of the first pair stored for ip, as the entry's MAC tail shows it.
std::string FirstMac(const std::string& ip) {
    for (int i = 0; i + 1 < DeviceTable.slotCount; i += 2)
        if (ip == DeviceTable.slots[i]) return DeviceTable.slots[i + 1];
    return {};
}

}  // namespace

bool SearchMakerDevices(int waitMs, const std::string& interfaceName, std::vector<FoundDevice>& devices) {
    std::vector<std::string> entries;
    if (!Search(entries, waitMs, interfaceName)) return false;
    std::sort(entries.begin(), entries.end());  // the dialog's list control sorts its entries
    devices.clear();
    for (const std::string& entry : entries) {
        char host[256];
        if (!HostFromEntry(entry.c_str(), host)) continue;
        devices.push_back({entry, host, FirstMac(host)});
    }
    return true;
}
