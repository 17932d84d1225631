#include "discovery/device_list.h"

#include "discovery/device_table.h"

void DeviceList::Exclude(const char* ip) { ips_.insert(ip); }

bool DeviceList::Known(const char* ip) const { return ips_.count(ip) != 0; }

void DeviceList::Add(const char* ip, const unsigned char (&mac)[6]) {
    if (!ips_.insert(ip).second) return;
    char text[kMacTextSize];
    FormatMacText(mac, text);
    devices_.push_back({ip, text});
}
