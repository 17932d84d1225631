// RunBounded: at most atOnce items at a time and that many reached, every
// item once, the calling thread told of each in the order they end, and an
// interruption starting nothing more. Items wait for each other on a
// condition variable (bounded, so a fault fails instead of hanging).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/fleet/bounded_threads.h"

namespace {

struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool stalled = false;

    // Waits (under lock) until ready says so; a wait of 10 s marks the run stalled.
    template <class Ready>
    void Await(std::unique_lock<std::mutex>& lock, Ready ready) {
        if (!changed.wait_for(lock, std::chrono::seconds(10), ready)) stalled = true;
    }
};

}  // namespace

// Each item stays until as many items run as the bound allows (fewer once
// fewer are left): a run that never reaches the bound stalls.
TEST(RunBoundedTest, RunsEachItemOnceWithExactlyTheBoundAtOnce) {
    struct Case {
        size_t count, atOnce;
    } cases[] = {{0, 3}, {1, 0}, {5, 1}, {5, 2}, {8, 3}, {6, 0}, {3, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count) + ", at once " + std::to_string(c.atOnce));
        const size_t limit = c.atOnce == 0 ? c.count : std::min(c.atOnce, c.count);
        Gate gate;
        size_t live = 0, peak = 0, finished = 0;
        std::vector<int> worked(c.count, 0), done(c.count, 0);
        BoundedWork w;
        w.count = c.count;
        w.atOnce = c.atOnce;
        w.work = [&](size_t item) {
            std::unique_lock<std::mutex> lock(gate.mutex);
            ++worked[item];
            peak = std::max(peak, ++live);
            gate.changed.notify_all();
            gate.Await(lock, [&] { return live >= std::min(limit, c.count - finished); });
            --live;
            ++finished;
            gate.changed.notify_all();
        };
        const std::thread::id caller = std::this_thread::get_id();
        w.onDone = [&](size_t item) {
            EXPECT_EQ(std::this_thread::get_id(), caller);
            ++done[item];
        };
        EXPECT_EQ(RunBounded(w), c.count);
        EXPECT_FALSE(gate.stalled) << "the bound was never reached";
        EXPECT_EQ(peak, limit);
        EXPECT_EQ(worked, std::vector<int>(c.count, 1));
        EXPECT_EQ(done, std::vector<int>(c.count, 1));
    }
}

// Each item ends only once the one before it in `ends` has been reported.
TEST(RunBoundedTest, ReportsItemsInTheOrderTheyEnd) {
    struct Case {
        size_t atOnce;
        std::vector<size_t> ends;
    } cases[] = {{1, {0, 1, 2}}, {0, {2, 0, 3, 1}}, {2, {1, 0, 3, 2}}};
    for (const Case& c : cases) {
        SCOPED_TRACE("at once " + std::to_string(c.atOnce));
        Gate gate;
        std::vector<size_t> reported;
        BoundedWork w;
        w.count = c.ends.size();
        w.atOnce = c.atOnce;
        w.work = [&](size_t item) {
            const size_t rank = std::find(c.ends.begin(), c.ends.end(), item) - c.ends.begin();
            std::unique_lock<std::mutex> lock(gate.mutex);
            gate.Await(lock, [&] { return reported.size() == rank; });
        };
        w.onDone = [&](size_t item) {
            std::lock_guard<std::mutex> lock(gate.mutex);
            reported.push_back(item);
            gate.changed.notify_all();
        };
        RunBounded(w);
        EXPECT_FALSE(gate.stalled);
        EXPECT_EQ(reported, c.ends);
    }
}

// Items from `quick` on wait for the interruption, which comes once `after`
// items have ended (or at the first tick): those under way end, nothing more starts.
TEST(RunBoundedTest, AnInterruptionStartsNothingMoreAndAwaitsTheItemsUnderWay) {
    struct Case {
        const char* name;
        size_t count, atOnce, quick;
        int after;  // -1: at the first tick
        size_t started;
    } cases[] = {
        {"before any start", 3, 0, 0, 0, 0},
        {"after two, one at a time", 4, 1, 2, 2, 2},
        {"after the first of three at once", 6, 3, 1, 1, 3},
        {"a start between two ends", 6, 2, 2, 2, 3},
        {"from a tick", 5, 2, 0, -1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Gate gate;
        bool interrupted = c.after == 0;
        int ended = 0;
        const auto interrupt = [&] {
            std::lock_guard<std::mutex> lock(gate.mutex);
            interrupted = true;
            gate.changed.notify_all();
        };
        BoundedWork w;
        w.count = c.count;
        w.atOnce = c.atOnce;
        w.tickMs = 1;
        w.work = [&](size_t item) {
            if (item < c.quick) return;
            std::unique_lock<std::mutex> lock(gate.mutex);
            gate.Await(lock, [&] { return interrupted; });
        };
        w.onDone = [&](size_t) {
            if (++ended == c.after) interrupt();
        };
        w.onTick = [&] {
            if (c.after < 0) interrupt();
        };
        w.interrupted = [&] {
            std::lock_guard<std::mutex> lock(gate.mutex);
            return interrupted;
        };
        EXPECT_EQ(RunBounded(w), c.started);
        EXPECT_EQ(ended, static_cast<int>(c.started)) << "every item started has ended";
        EXPECT_FALSE(gate.stalled);
    }
}
