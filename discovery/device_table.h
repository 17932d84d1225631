#pragma once

#include <string>
#include <vector>

#include "discovery/device_store.h"

// Slots of the table: device k's IP text in slot 2k, its MAC text in 2k+1.
constexpr int kDeviceTableSlots = 64;
constexpr int kDeviceSlotSize = 32;

struct DeviceTableState {
    char slots[kDeviceTableSlots][kDeviceSlotSize] = {};
    int slotCount = 0;
};

// The one search request, 123 bytes, sent without a terminating zero.
extern const char kSearchRequest[];
constexpr int kSearchRequestSize = 123;

// The maker's bits: all of 0x4C in the second byte and all of 0x1A in the third.
bool PassesMacFilter(const unsigned char (&mac)[6]);

// "02-4c-1a-03-12-ab": the MAC as the table and the list keep it.
constexpr int kMacTextSize = 18;
void FormatMacText(const unsigned char (&mac)[6], char (&text)[kMacTextSize]);

// "TQM-530R(12ab) [10.0.0.1]": a device's entry from its address and MAC text.
std::string DeviceEntryText(const char* ip, const char* macText);

// Stores one sender as a whole pair, or not at all once the table is full.
// Returns false when there was no room.
bool AddDevicePair(DeviceTableState& table, const char* ipText, const unsigned char (&mac)[6]);

// The dialog's store: every answer becomes a pair of its own until the table
// is full; repeats are dropped only when the entries are built.
class DeviceTableStore : public DeviceStore {
public:
    explicit DeviceTableStore(DeviceTableState& table) : table_(table) {}
    bool Known(const char*) const override { return false; }
    void Add(const char* ip, const unsigned char (&mac)[6]) override { AddDevicePair(table_, ip, mac); }

private:
    DeviceTableState& table_;
};

// The entry text per distinct IP text, the first pair's MAC tail,
// in the order found (the dialog's list control sorts them itself).
std::vector<std::string> BuildDeviceEntries(const DeviceTableState& table);

// The host text of an entry: between its last "[" and its final character.
// False when the entry holds no host.
bool HostFromEntry(const char* entry, char (&host)[256]);
