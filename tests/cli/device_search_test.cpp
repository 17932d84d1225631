#include "cli/device/device_search.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

TEST(FoundDevicesTest, EveryListedDeviceWithItsEntrySortedLikeTheDialog) {
    std::vector<ListedDevice> listed;
    for (int n = 40; n-- > 0;) {
        char mac[18];
        std::snprintf(mac, sizeof mac, "02-4c-1a-00-10-%02x", n);
        listed.push_back({"10.77.0." + std::to_string(10 + n), mac});
    }
    listed.push_back({"10.77.0.9", "ff-ff-ff-ff-ff-ff"});  // unresolved: listed, after the maker tails
    const std::vector<FoundDevice> found = FoundDevices(listed);
    ASSERT_EQ(found.size(), 41u);
    EXPECT_EQ(found[0].entry, "TQM-530R(1000) [10.77.0.10]");
    EXPECT_EQ(found[0].ip, "10.77.0.10");
    EXPECT_EQ(found[0].mac, "02-4c-1a-00-10-00");
    EXPECT_EQ(found[39].entry, "TQM-530R(1027) [10.77.0.49]");
    EXPECT_EQ(found[40].entry, "TQM-530R(ffff) [10.77.0.9]");
    EXPECT_TRUE(FoundDevices({}).empty());
}

TEST(FoundDevicesTest, FewerThanExpectedSaysHowManyAndWhichAnswered) {
    const std::vector<FoundDevice> two =
        FoundDevices({{"10.77.0.11", "02-4c-1a-00-10-01"}, {"10.77.0.10", "02-4c-1a-00-10-00"}});
    EXPECT_EQ(FewerThanExpectedText(two, 3), "2 TQM-530R devices answered, 3 expected: 10.77.0.10, 10.77.0.11");
    EXPECT_EQ(FewerThanExpectedText({two[0]}, 2), "1 TQM-530R device answered, 2 expected: 10.77.0.10");
    EXPECT_EQ(FewerThanExpectedText({}, 1), "0 TQM-530R devices answered, 1 expected");
}
