#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "discovery/device_table.h"

namespace {
const unsigned char kMakerMac[6] = {0x02, 0x4c, 0x1a, 0x03, 0x12, 0xab};
const unsigned char kOtherMakerMac[6] = {0x02, 0x4c, 0x1a, 0x00, 0x00, 0x07};
const unsigned char kForeignMac[6] = {0x02, 0x44, 0x1a, 0x00, 0x00, 0x01};
const unsigned char kUnresolved[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
}  // namespace

TEST(SearchRequest, IsTheExactText) {
    const std::string expected =
        "M-SEARCH * HTTP/1.1\r\n"
        "Host: 239.255.255.250:1900\r\n"
        "ST: urn:schemas-upnp-org:device:nubxsvr:0\r\n"
        "Man: \"ssdp:discover\"\r\n"
        "MX: 5\r\n"
        "\r\n";
    // The bytes sent are the text, whole, and end where it ends.
    EXPECT_EQ(std::string(kSearchRequest, kSearchRequestSize), expected);
    EXPECT_EQ(std::string(kSearchRequest), expected);
}

TEST(MacFilter, BitsNotEquality) {
    EXPECT_TRUE(PassesMacFilter(kMakerMac));
    EXPECT_FALSE(PassesMacFilter(kForeignMac));
    EXPECT_TRUE(PassesMacFilter(kUnresolved));
    const unsigned char noBit1A[6] = {0, 0x4c, 0x18, 0, 0, 0};
    EXPECT_FALSE(PassesMacFilter(noBit1A));
}

TEST(DeviceTable, RepeatsSuppressedWithTheFirstPairsTail) {
    DeviceTableState table;
    AddDevicePair(table, "10.77.0.20", kMakerMac);
    AddDevicePair(table, "10.77.0.10", kOtherMakerMac);
    AddDevicePair(table, "10.77.0.20", kUnresolved);  // same sender again, other MAC
    EXPECT_EQ(table.slotCount, 6);
    EXPECT_STREQ(table.slots[1], "02-4c-1a-03-12-ab");
    const auto entries = BuildDeviceEntries(table);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], "TQM-530R(12ab) [10.77.0.20]");
    EXPECT_EQ(entries[1], "TQM-530R(0007) [10.77.0.10]");
}

TEST(DeviceTable, NeverMoreThanSixtyFourSlots) {
    DeviceTableState table;
    int stored = 0;
    for (int i = 0; i < 40; ++i) {
        char ip[16];
        std::snprintf(ip, sizeof ip, "10.0.0.%d", i);
        stored += AddDevicePair(table, ip, kMakerMac) ? 1 : 0;
    }
    EXPECT_EQ(stored, 32);
    EXPECT_EQ(table.slotCount, 64);
    EXPECT_EQ(BuildDeviceEntries(table).size(), 32u);
}

TEST(DeviceTable, HostFromEntry) {
    char host[256];
    EXPECT_TRUE(HostFromEntry("TQM-530R(12ab) [192.168.0.10]", host));
    EXPECT_STREQ(host, "192.168.0.10");
    EXPECT_FALSE(HostFromEntry("no bracket", host));
    EXPECT_FALSE(HostFromEntry("ends [", host));
    EXPECT_FALSE(HostFromEntry("[]", host));
    EXPECT_TRUE(HostFromEntry("a [b] [x]", host));
    EXPECT_STREQ(host, "x");
}
