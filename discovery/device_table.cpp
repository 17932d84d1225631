#include "discovery/device_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

DeviceTableState DeviceTable;

const char kSearchRequest[] =
    "M-SEARCH * HTTP/1.1\r\n"
    "Host: 239.255.255.250:1900\r\n"
    "ST: urn:schemas-upnp-org:device:nubxsvr:0\r\n"
    "Man: \"ssdp:discover\"\r\n"
    "MX: 5\r\n"
    "\r\n";
static_assert(sizeof kSearchRequest - 1 == kSearchRequestSize, "the request is 123 bytes");

bool PassesMacFilter(const unsigned char (&mac)[6]) { return (mac[1] & 0x4C) == 0x4C && (mac[2] & 0x1A) == 0x1A; }

bool AddDevicePair(DeviceTableState& table, const char* ipText, const unsigned char (&mac)[6]) {
    if (table.slotCount + 2 > kDeviceTableSlots) return false;
    char* ip = table.slots[table.slotCount];
    char* macText = table.slots[table.slotCount + 1];
    std::snprintf(ip, kDeviceSlotSize, "%s", ipText);
    std::snprintf(macText, kDeviceSlotSize, "%02x-%02x-%02x-%02x-%02x-%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    // The count moves only after both texts are in place.
    table.slotCount += 2;
    return true;
}

std::vector<std::string> BuildDeviceEntries(const DeviceTableState& table) {
    std::vector<std::string> entries;
    for (int i = 0; i + 1 < table.slotCount; i += 2) {
        bool repeat = false;
        for (int j = 0; j < i && !repeat; j += 2) repeat = std::strcmp(table.slots[i], table.slots[j]) == 0;
        if (repeat) continue;
        const char* mac = table.slots[i + 1];
        const char tail[5] = {mac[12], mac[13], mac[15], mac[16], 0};
        char entry[256];
        std::snprintf(entry, sizeof entry, "TQM-530R(%s) [%s]", tail, table.slots[i]);
        entries.push_back(entry);
    }
    return entries;
}

bool HostFromEntry(const char* entry, char (&host)[256]) {
    std::memset(host, 0, sizeof host);
    const char* open = std::strrchr(entry, '[');
    if (!open) return false;
    // The host runs from after the "[" to before the entry's final character.
    const size_t after = std::strlen(open + 1);
    if (after < 2) return false;
    const size_t count = std::min(after - 1, sizeof host - 1);
    std::memcpy(host, open + 1, count);
    return true;
}
