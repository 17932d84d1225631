#include "discovery/device_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

const char kSearchRequest[] =
    "M-SEARCH * HTTP/1.1\r\n"
    "Host: 239.255.255.250:1900\r\n"
    "ST: urn:schemas-upnp-org:device:nubxsvr:0\r\n"
    "Man: \"ssdp:discover\"\r\n"
    "MX: 5\r\n"
    "\r\n";
static_assert(sizeof kSearchRequest - 1 == kSearchRequestSize, "the request is 123 bytes");

bool PassesMacFilter(const unsigned char (&mac)[6]) { return (mac[1] & 0x4C) == 0x4C && (mac[2] & 0x1A) == 0x1A; }

void FormatMacText(const unsigned char (&mac)[6], char (&text)[kMacTextSize]) {
    std::snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
}

std::string DeviceEntryText(const char* ip, const char* macText) {
    const char tail[5] = {macText[12], macText[13], macText[15], macText[16], 0};
    char entry[256];
    std::snprintf(entry, sizeof entry, "TQM-530R(%s) [%s]", tail, ip);
    return entry;
}

bool AddDevicePair(DeviceTableState& table, const char* ipText, const unsigned char (&mac)[6]) {
    if (table.slotCount + 2 > kDeviceTableSlots) return false;
    char* ip = table.slots[table.slotCount];
    std::snprintf(ip, kDeviceSlotSize, "%s", ipText);
    char macText[kMacTextSize];
    FormatMacText(mac, macText);
    std::snprintf(table.slots[table.slotCount + 1], kDeviceSlotSize, "%s", macText);
    // The count moves only after both texts are in place.
    table.slotCount += 2;
    return true;
}

std::vector<std::string> BuildDeviceEntries(const DeviceTableState& table) {
    std::vector<std::string> entries;
    for (int i = 0; i + 1 < table.slotCount; i += 2) {
        bool repeat = false;
        for (int j = 0; j < i && !repeat; j += 2) repeat = std::strcmp(table.slots[i], table.slots[j]) == 0;
        if (!repeat) entries.push_back(DeviceEntryText(table.slots[i], table.slots[i + 1]));
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
