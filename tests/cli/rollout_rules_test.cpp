#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/rollout/failure_budget.h"
#include "cli/rollout/rollout_state.h"
#include "cli/rollout/wave_plan.h"

namespace {

std::vector<int> Ends(const std::string& sizes, int devices) {
    std::vector<WaveSize> read;
    std::string error;
    EXPECT_TRUE(ParseWaveSizes(sizes, read, error)) << sizes << ": " << error;
    return WaveEnds(read, devices);
}

using V = std::vector<int>;

}  // namespace

TEST(WavePlan, CumulativeSizesBecomeWaveEnds) {
    EXPECT_EQ(Ends("1,10%,50%,100%", 40), (V{1, 4, 20, 40}));
    // Percentages round up: a wave is never empty while devices remain.
    EXPECT_EQ(Ends("1%,50%", 3), (V{1, 2, 3}));
    // On 3 devices 1 and 10% are both 1: one wave.
    EXPECT_EQ(Ends("1,10%,50%,100%", 3), (V{1, 2, 3}));
    // Counts beyond the devices are capped; what the sizes leave forms a last wave.
    EXPECT_EQ(Ends("5,20", 8), (V{5, 8}));
    EXPECT_EQ(Ends("2", 10), (V{2, 10}));
    EXPECT_EQ(Ends("10%", 10), (V{1, 10}));
    // A count that a percentage already passed merges.
    EXPECT_EQ(Ends("50%,30", 100), (V{50, 100}));
}

TEST(WavePlan, NoDevicesNoWavesOneDeviceOneWave) {
    EXPECT_EQ(Ends("1,10%,100%", 0), V{});
    EXPECT_EQ(Ends("1,10%,100%", 1), V{1});
    EXPECT_EQ(Ends("50%", 1), V{1});
    EXPECT_EQ(WaveEnds({}, 7), V{7});
    EXPECT_EQ(WaveEnds({}, 0), V{});
}

TEST(WavePlan, RefusesWhatIsNotASizeAndSizesThatShrink) {
    for (const char* bad : {"", ",", "1,", ",1", "0", "0%", "101%", "-1", "1.5", "10 %", " 1", "%", "5%%", "100001",
                            "1,1", "10%,5%", "3,2", "99999999999"}) {
        std::vector<WaveSize> sizes;
        std::string error;
        EXPECT_FALSE(ParseWaveSizes(bad, sizes, error)) << bad;
        EXPECT_NE(error.find('"'), std::string::npos) << bad;
        EXPECT_EQ(error.find('\n'), std::string::npos) << bad;
    }
    // Counts and percentages grow each on their own: mixed, either may come first.
    std::vector<WaveSize> sizes;
    std::string error;
    EXPECT_TRUE(ParseWaveSizes("20,10%,30,100%", sizes, error)) << error;
    EXPECT_EQ(sizes.size(), 4u);
}

TEST(FailureBudget, CountsAndPercentagesRoundedDown) {
    FailureLimit limit;
    std::string error;
    EXPECT_EQ(FailureBudget(limit, 10), kNoBudget);
    ASSERT_TRUE(ParseFailureLimit("0", limit, error));
    EXPECT_EQ(FailureBudget(limit, 10), 0);
    ASSERT_TRUE(ParseFailureLimit("3", limit, error));
    EXPECT_EQ(FailureBudget(limit, 2), 3);
    ASSERT_TRUE(ParseFailureLimit("10%", limit, error));
    EXPECT_EQ(FailureBudget(limit, 9), 0);
    EXPECT_EQ(FailureBudget(limit, 10), 1);
    EXPECT_EQ(FailureBudget(limit, 39), 3);
    EXPECT_EQ(FailureBudget(limit, 0), 0);
    ASSERT_TRUE(ParseFailureLimit("100%", limit, error));
    EXPECT_EQ(FailureBudget(limit, 7), 7);
    for (const char* bad : {"", "%", "-1", "101%", "1.5", "x", "1 ", "100001", "5%%"}) {
        FailureLimit kept;
        kept.value = 4;
        EXPECT_FALSE(ParseFailureLimit(bad, kept, error)) << bad;
        EXPECT_EQ(kept.value, 4) << bad;
    }
}

TEST(FailureBudget, OnlyResultsOfAWrittenImageCount) {
    EXPECT_TRUE(CountsAgainstBudget(DeviceResult::Failed));
    EXPECT_TRUE(CountsAgainstBudget(DeviceResult::Unverified));
    EXPECT_TRUE(CountsAgainstBudget(DeviceResult::Mismatch));
    for (DeviceResult r : {DeviceResult::Verified, DeviceResult::Updated, DeviceResult::Skipped, DeviceResult::Refused,
                           DeviceResult::Busy, DeviceResult::Interrupted, DeviceResult::NotStarted,
                           DeviceResult::NotFound})
        EXPECT_FALSE(CountsAgainstBudget(r)) << ResultName(r);
}

namespace {

using Kind = RolloutStep::Kind;

RolloutState Rollout(V ends, int budget, int jobs = 0, bool soak = false) {
    RolloutState::Settings s;
    s.waveEnds = std::move(ends);
    s.budget = budget;
    s.jobs = jobs;
    s.soak = soak;
    return RolloutState(s);
}

void EndAll(RolloutState& r, const V& devices, DeviceResult result) {
    for (int d : devices) r.Ended(d, result);
}

}  // namespace

TEST(RolloutState, WavesStartOneAfterTheOtherAndJobsApplyWithinAWave) {
    RolloutState r = Rollout({1, 4, 6}, kNoBudget, 2);
    RolloutStep s = r.Next();
    ASSERT_EQ(s.kind, Kind::Start);
    EXPECT_EQ(s.devices, V{0});
    EXPECT_EQ(r.Next().kind, Kind::Wait);  // the canary runs: nothing of wave 1 starts
    r.Ended(0, DeviceResult::Verified);
    s = r.Next();
    EXPECT_EQ(s.wave, 1);
    EXPECT_EQ(s.devices, (V{1, 2}));
    EXPECT_EQ(r.Next().kind, Kind::Wait);
    r.Ended(2, DeviceResult::Verified);
    EXPECT_EQ(r.Next().devices, V{3});  // a place freed within the wave
    EndAll(r, {1, 3}, DeviceResult::Skipped);
    EXPECT_EQ(r.Next().devices, (V{4, 5}));
    EndAll(r, {4, 5}, DeviceResult::Verified);
    EXPECT_EQ(r.Next().kind, Kind::Done);
    EXPECT_TRUE(r.NotStarted().empty());
    EXPECT_EQ(r.Stopped(), StopReason::None);
    EXPECT_EQ(r.WaveOf(0), 0);
    EXPECT_EQ(r.WaveOf(3), 1);
    EXPECT_EQ(r.WaveOf(5), 2);
}

TEST(RolloutState, ExactlyTheBudgetGoesOnOneMoreStopsAndRunningDevicesFinish) {
    RolloutState r = Rollout({2, 6, 10}, 2);
    EXPECT_EQ(r.Next().devices, (V{0, 1}));
    r.Ended(0, DeviceResult::Failed);
    r.Ended(1, DeviceResult::Unverified);
    EXPECT_EQ(r.Next().devices, (V{2, 3, 4, 5}));  // 2 failures: the budget exactly
    r.Ended(2, DeviceResult::Refused);             // not counted
    r.Ended(3, DeviceResult::Mismatch);            // the third: stop
    EXPECT_EQ(r.Stopped(), StopReason::BudgetExceeded);
    EXPECT_EQ(r.Next().kind, Kind::Wait);  // 4 and 5 still run
    r.Ended(4, DeviceResult::Verified);
    r.Ended(5, DeviceResult::Failed);
    EXPECT_EQ(r.Next().kind, Kind::Done);
    EXPECT_EQ(r.Failures(), 4);
    EXPECT_EQ(r.NotStarted(), (V{6, 7, 8, 9}));
}

TEST(RolloutState, BudgetZeroStopsAtTheFirstFailureAndNoBudgetNever) {
    RolloutState r = Rollout({1, 3}, 0);
    r.Next();
    r.Ended(0, DeviceResult::Failed);
    EXPECT_EQ(r.Next().kind, Kind::Done);
    EXPECT_EQ(r.NotStarted(), (V{1, 2}));

    RolloutState all = Rollout({1, 3}, kNoBudget);
    all.Next();
    all.Ended(0, DeviceResult::Failed);
    EXPECT_EQ(all.Next().devices, (V{1, 2}));
    EndAll(all, {1, 2}, DeviceResult::Failed);
    EXPECT_EQ(all.Next().kind, Kind::Done);
    EXPECT_TRUE(all.NotStarted().empty());
}

TEST(RolloutState, NoDevicesIsDoneAtOnce) {
    RolloutState r = Rollout({}, 0, 0, true);
    EXPECT_EQ(r.Next().kind, Kind::Done);
    EXPECT_TRUE(r.NotStarted().empty());
}

TEST(RolloutState, TheSoakReadsTheWrittenDevicesOfEachWaveButTheLast) {
    RolloutState r = Rollout({3, 5}, 1, 0, true);
    EXPECT_EQ(r.Next().devices, (V{0, 1, 2}));
    r.Ended(0, DeviceResult::Verified);
    r.Ended(1, DeviceResult::Skipped);
    r.Ended(2, DeviceResult::Updated);
    RolloutStep s = r.Next();
    ASSERT_EQ(s.kind, Kind::Soak);
    EXPECT_EQ(s.devices, (V{0, 2}));
    EXPECT_EQ(r.Next().kind, Kind::Wait);  // nothing starts while the wave soaks
    r.SoakEnded({2});
    EXPECT_TRUE(r.LostInSoak(2));
    EXPECT_EQ(r.Failures(), 1);
    EXPECT_EQ(r.Next().devices, (V{3, 4}));
    EndAll(r, {3, 4}, DeviceResult::Verified);
    EXPECT_EQ(r.Next().kind, Kind::Done);  // no soak after the last wave
}

TEST(RolloutState, ASoakFailureBeyondTheBudgetStopsBeforeTheNextWave) {
    RolloutState r = Rollout({2, 4}, 0, 0, true);
    r.Next();
    EndAll(r, {0, 1}, DeviceResult::Verified);
    ASSERT_EQ(r.Next().kind, Kind::Soak);
    r.SoakEnded({1, 1, 7, -1});  // repeats and devices outside the wave count once or not at all
    EXPECT_EQ(r.Failures(), 1);
    EXPECT_EQ(r.Next().kind, Kind::Done);
    EXPECT_EQ(r.Stopped(), StopReason::BudgetExceeded);
    EXPECT_EQ(r.NotStarted(), (V{2, 3}));
}

TEST(RolloutState, AWaveWithNothingWrittenHasNoSoak) {
    RolloutState r = Rollout({1, 2}, kNoBudget, 0, true);
    r.Next();
    r.Ended(0, DeviceResult::Failed);
    EXPECT_EQ(r.Next().devices, V{1});
}

TEST(RolloutState, AnInterruptStartsNothingMoreAndIgnoresStrayEnds) {
    RolloutState r = Rollout({2, 4}, kNoBudget);
    r.Next();
    r.Ended(3, DeviceResult::Failed);  // never started: ignored
    r.Interrupt();
    EXPECT_EQ(r.Next().kind, Kind::Wait);
    EndAll(r, {0, 1, 1}, DeviceResult::Verified);
    EXPECT_EQ(r.Next().kind, Kind::Done);
    EXPECT_EQ(r.Stopped(), StopReason::Interrupted);
    EXPECT_EQ(r.Failures(), 0);
    EXPECT_EQ(r.NotStarted(), (V{2, 3}));
}
