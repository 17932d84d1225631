#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "discovery/device_list.h"
#include "discovery/device_table.h"

namespace {
const unsigned char kFirstMac[6] = {0x02, 0x4c, 0x1a, 0x03, 0x12, 0xab};
const unsigned char kLaterMac[6] = {0x02, 0x4c, 0x1a, 0x00, 0x00, 0x07};
const unsigned char kUnresolved[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};

std::string Address(int n) {
    char ip[16];
    std::snprintf(ip, sizeof ip, "10.%d.%d.%d", n >> 16 & 255, n >> 8 & 255, n & 255);
    return ip;
}
}  // namespace

TEST(GrowingDeviceList, KeepsFiveThousandSendersInTheOrderTheyAnswered) {
    DeviceList list;
    for (int n = 0; n < 5000; ++n) {
        unsigned char mac[6] = {
            0x02, 0x4c, 0x1a, 0x00, static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)};
        list.Add(Address(n).c_str(), mac);
    }
    ASSERT_EQ(list.Devices().size(), 5000u);
    EXPECT_EQ(list.Devices()[0].ip, "10.0.0.0");
    EXPECT_EQ(list.Devices()[4999].ip, "10.0.19.135");
    EXPECT_EQ(list.Devices()[4999].mac, "02-4c-1a-00-13-87");
    EXPECT_TRUE(list.Known("10.0.19.135"));
    EXPECT_FALSE(list.Known("10.0.19.136"));
}

TEST(GrowingDeviceList, RepeatsAreOneDeviceWithTheFirstMac) {
    DeviceList list;
    EXPECT_FALSE(list.Known("10.77.0.20"));
    list.Add("10.77.0.20", kFirstMac);
    list.Add("10.77.0.10", kLaterMac);
    list.Add("10.77.0.20", kUnresolved);
    list.Add("10.77.0.20", kLaterMac);
    ASSERT_EQ(list.Devices().size(), 2u);
    EXPECT_EQ(list.Devices()[0].ip, "10.77.0.20");
    EXPECT_EQ(list.Devices()[0].mac, "02-4c-1a-03-12-ab");
    EXPECT_TRUE(list.Known("10.77.0.20"));
    // An address that only starts like a known one is another device.
    EXPECT_FALSE(list.Known("10.77.0.2"));
}

TEST(GrowingDeviceList, AnExcludedAddressIsNeverListedWhateverItsMac) {
    DeviceList list;
    list.Exclude("10.77.0.1");
    EXPECT_TRUE(list.Known("10.77.0.1"));  // so the search resolves no MAC for it
    list.Add("10.77.0.1", kFirstMac);
    list.Add("10.77.0.10", kLaterMac);
    ASSERT_EQ(list.Devices().size(), 1u);
    EXPECT_EQ(list.Devices()[0].ip, "10.77.0.10");
}

TEST(DeviceTableAsStore, EveryAnswerAPairUntilThirtyTwoDevices) {
    DeviceTableState table;
    DeviceTableStore store(table);
    store.Add("10.77.0.20", kFirstMac);
    // The table never knows a sender: a repeat is resolved and stored again.
    EXPECT_FALSE(store.Known("10.77.0.20"));
    store.Add("10.77.0.20", kLaterMac);
    EXPECT_EQ(table.slotCount, 4);
    for (int n = 0; n < 40; ++n) store.Add(Address(n).c_str(), kLaterMac);
    EXPECT_EQ(table.slotCount, 64);
    EXPECT_STREQ(table.slots[62], "10.0.0.29");
    const auto entries = BuildDeviceEntries(table);
    ASSERT_EQ(entries.size(), 31u);
    EXPECT_EQ(entries[0], "TQM-530R(12ab) [10.77.0.20]");
}

TEST(DeviceEntryText, TheSameEntryFromTheListAndTheTable) {
    DeviceList list;
    DeviceTableState table;
    list.Add("192.168.100.200", kFirstMac);
    AddDevicePair(table, "192.168.100.200", kFirstMac);
    const ListedDevice& d = list.Devices()[0];
    EXPECT_EQ(DeviceEntryText(d.ip.c_str(), d.mac.c_str()), "TQM-530R(12ab) [192.168.100.200]");
    EXPECT_EQ(BuildDeviceEntries(table), std::vector<std::string>{"TQM-530R(12ab) [192.168.100.200]"});
    char text[kMacTextSize];
    FormatMacText(kUnresolved, text);
    EXPECT_EQ(DeviceEntryText("10.0.0.1", text), "TQM-530R(ffff) [10.0.0.1]");
}
