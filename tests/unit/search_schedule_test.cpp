#include "discovery/search_schedule.h"

#include <gtest/gtest.h>

using Times = std::vector<int>;

TEST(SearchSchedule, FiveSendsInTheDefaultWaitFewerInShortOnes) {
    EXPECT_EQ(RepeatedSendTimes(3000), (Times{0, 500, 1000, 1500, 2000}));
    EXPECT_EQ(RepeatedSendTimes(60000), (Times{0, 500, 1000, 1500, 2000}));
    // Each repeat leaves half a second for its answers.
    EXPECT_EQ(RepeatedSendTimes(2000), (Times{0, 500, 1000, 1500}));
    EXPECT_EQ(RepeatedSendTimes(1999), (Times{0, 500, 1000}));
    EXPECT_EQ(RepeatedSendTimes(1000), (Times{0, 500}));
    EXPECT_EQ(RepeatedSendTimes(999), Times{0});
    EXPECT_EQ(RepeatedSendTimes(1), Times{0});
    EXPECT_EQ(RepeatedSendTimes(0), Times{0});
}
