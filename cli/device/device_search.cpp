#include "cli/device/device_search.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "discovery/device_list.h"
#include "discovery/device_table.h"
#include "discovery/search_devices.h"
#include "discovery/search_schedule.h"
#include "net/adapters.h"
#include "net/datagram.h"

std::vector<FoundDevice> FoundDevices(const std::vector<ListedDevice>& listed) {
    std::vector<FoundDevice> devices;
    for (const ListedDevice& d : listed) devices.push_back({DeviceEntryText(d.ip.c_str(), d.mac.c_str()), d.ip, d.mac});
    // The dialog's list control sorts its entries; the command line lists them alike.
    std::sort(devices.begin(), devices.end(),
              [](const FoundDevice& a, const FoundDevice& b) { return a.entry < b.entry; });
    return devices;
}

namespace {

// The PC hears its own request, and its MAC may carry the maker's bits: its
// own addresses are never devices.
bool ExcludeHostAddresses(DeviceList& list) {
    std::vector<uint32_t> own;
    if (!NetHostAddresses(own)) return false;
    for (uint32_t address : own) {
        char ip[16];
        NetAddressText(address, ip);
        list.Exclude(ip);
    }
    return true;
}

}  // namespace

bool SearchMakerDevices(int waitMs, const std::string& interfaceName, std::vector<FoundDevice>& devices) {
    DeviceList list;
    if (!ExcludeHostAddresses(list)) return false;
    std::vector<uint32_t> interfaces;
    if (!NetAdapterAddresses(interfaceName.empty() ? nullptr : interfaceName.c_str(), interfaces)) return false;
    if (!SearchDevicesRepeated(list, waitMs, interfaces, RepeatedSendTimes(waitMs))) return false;
    devices = FoundDevices(list.Devices());
    return true;
}

std::string FewerThanExpectedText(const std::vector<FoundDevice>& devices, int expected) {
    std::string text = std::to_string(devices.size()) + " TQM-530R device" + (devices.size() == 1 ? "" : "s") +
                       " answered, " + std::to_string(expected) + " expected";
    for (size_t i = 0; i < devices.size(); ++i) text += (i == 0 ? ": " : ", ") + devices[i].ip;
    return text;
}
