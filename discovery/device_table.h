#pragma once

#include <string>
#include <vector>

// Slots of the table: device k's IP text in slot 2k, its MAC text in 2k+1.
constexpr int kDeviceTableSlots = 64;
constexpr int kDeviceSlotSize = 32;

struct DeviceTableState {
    char slots[kDeviceTableSlots][kDeviceSlotSize] = {};
    int slotCount = 0;
};
extern DeviceTableState DeviceTable;

// The one search request, 123 bytes, sent without a terminating zero.
extern const char kSearchRequest[];
constexpr int kSearchRequestSize = 123;

// The maker's bits: all of 0x4C in the second byte and all of 0x1A in the third.
bool PassesMacFilter(const unsigned char (&mac)[6]);

// Stores one sender as a whole pair, or not at all once the table is full.
// Returns false when there was no room.
bool AddDevicePair(DeviceTableState& table, const char* ipText, const unsigned char (&mac)[6]);

// "TQM-530R(12ab) [10.0.0.1]" per distinct IP text, the first pair's MAC tail,
// in the order found (the dialog's list control sorts them itself).
std::vector<std::string> BuildDeviceEntries(const DeviceTableState& table);

// The host text of an entry: between its last "[" and its final character.
// False when the entry holds no host.
bool HostFromEntry(const char* entry, char (&host)[256]);
