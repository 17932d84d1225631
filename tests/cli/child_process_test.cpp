// Device processes as the parent starts, stops, waits for and ends them.
// This program is its own child (Subprocess starts the running executable):
// "--child ROLE" plays one kind of device process.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cli/fleet/interruption.h"
#include "cli/fleet/parallel_runner.h"
#include "cli/fleet/subprocess.h"
#include "cli/fleet/update_job.h"
#include "console/console_session.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// As a device process does: its handlers in place, then the stops it was
// sent while it started (all of them before its handlers were in place).
// Says whether one came within 3 s.
int ChildAwaitingStop() {
    static ConsoleConnection console;
    WatchDeviceInterruptions(console);
    const Clock::time_point start = Clock::now();
    while (!DeviceInterrupted() && SecondsSince(start) < 3) usleep(1000);
    WriteToParent(DeviceInterrupted() ? "stopped\n" : "not stopped\n");
    return 0;
}

// One event every 100 ms for 1.5 s: never silent for long.
int ChildTalking() {
    for (int i = 0; i < 15; ++i) {
        WriteToParent("{\"event\":\"phase\",\"phase\":\"transfer\"}\n");
        usleep(100000);
    }
    return 0;
}

// Hung: never a word, and deaf to the stop (its stop signals stay blocked).
int ChildSilent(bool closeOutput) {
    if (closeOutput) close(STDOUT_FILENO);
    for (;;) pause();
}

int RunChild(const std::string& role) {
    if (role == "await-stop") return ChildAwaitingStop();
    if (role == "talking") return ChildTalking();
    if (role == "silent") return ChildSilent(false);
    if (role == "closed-output") return ChildSilent(true);
    return 2;
}

// Reads the child's output until its pipe closes, at most 20 s.
std::string OutputOf(Subprocess& child) {
    std::string text;
    const Clock::time_point start = Clock::now();
    while (SecondsSince(start) < 20) {
        WaitForOutput({&child}, 100);
        if (!child.Read(text)) break;
    }
    return text;
}

// A stop sent the moment a device process exists is never lost: not to a
// handler the child inherited, not to the default action, not to a window
// before its handlers. In rounds of ten started at once, as a run does.
TEST(ChildProcess, StopSentRightAfterStartIsNeverLost) {
    WatchParentInterruptions();  // the parent's handlers, as in a run
    int stopped = 0;
    std::vector<std::string> others;
    for (int round = 0; round < 10; ++round) {
        std::vector<std::unique_ptr<Subprocess>> children;
        for (int i = 0; i < 10; ++i) {
            auto child = std::make_unique<Subprocess>();
            std::string error;
            ASSERT_TRUE(child->Start({"--child", "await-stop"}, error)) << error;
            child->RequestStop();
            children.push_back(std::move(child));
        }
        for (auto& child : children) {
            const std::string output = OutputOf(*child);
            bool clean = false;
            const std::string ended = child->Reap(clean, 5000);
            if (output == "stopped\n" && clean)
                ++stopped;
            else
                others.push_back(output + " / " + ended);
        }
    }
    EXPECT_EQ(stopped, 100) << (others.empty() ? "" : others.front());
    EXPECT_EQ(ParentInterruptions(), 0);  // nothing meant for the children reached the parent
}

TEST(ChildProcess, ReapOfAChildThatDoesNotEndKillsItAndSaysSo) {
    Subprocess child;
    std::string error;
    ASSERT_TRUE(child.Start({"--child", "closed-output"}, error)) << error;
    EXPECT_EQ(OutputOf(child), "");
    const Clock::time_point start = Clock::now();
    bool clean = true;
    const std::string ended = child.Reap(clean, 300);
    EXPECT_FALSE(clean);
    EXPECT_EQ(ended, "did not end within 0.3 s, so it was killed (killed by signal 9)");
    EXPECT_LT(SecondsSince(start), 5);
}

// Children in one run: a silent one is asked to stop after its bound and
// killed after its grace; one that answers the stop ends by itself; one that
// talks is left alone however long it runs; one that closed its output but
// never ends is killed after the end's bound.
TEST(ChildProcess, RunParallelEndsEachHungChildAndSaysWhy) {
    const std::vector<std::string> roles{"silent", "await-stop", "talking", "closed-output"};
    std::map<size_t, std::string> overdue, exits;
    std::map<size_t, bool> clean;
    ParallelJobs p;
    p.count = roles.size();
    p.childArguments = [&](size_t i) { return std::vector<std::string>{"--child", roles[i]}; };
    p.onEvent = [](size_t, const nlohmann::json&) {};
    p.onExit = [&](size_t i, const std::string& text, bool ok) {
        exits[i] = text;
        clean[i] = ok;
    };
    p.silenceBoundMs = [](const nlohmann::json&) { return 700LL; };
    p.onOverdue = [&](size_t i, const std::string& silence) { overdue[i] = silence; };
    p.stopGraceMs = 300;
    p.endBoundMs = 300;
    const Clock::time_point start = Clock::now();
    EXPECT_TRUE(RunParallel(p));
    EXPECT_LT(SecondsSince(start), 10);
    EXPECT_EQ(overdue, (std::map<size_t, std::string>{{0, "silent for 0.7 s"}, {1, "silent for 0.7 s"}}));
    EXPECT_EQ(exits[0], "silent for 0.7 s, asked to stop: killed by signal 9");
    EXPECT_EQ(exits[1], "silent for 0.7 s, asked to stop: exit 0");
    EXPECT_EQ(exits[2], "exit 0");
    EXPECT_EQ(exits[3], "did not end within 0.3 s, so it was killed (killed by signal 9)");
    EXPECT_EQ(clean, (std::map<size_t, bool>{{0, false}, {1, false}, {2, true}, {3, false}}));
}

nlohmann::json Retry(const nlohmann::json& delay) {
    return {{"event", "retry"}, {"attempt", 2}, {"delay_seconds", delay}};
}

// How long an update child may be silent: its longest wait on the device, a
// retry's delay (within the rule's cap), a minute's margin.
TEST(ChildProcess, SilenceBoundOfAnUpdateChild) {
    const ConsoleTimeouts defaults;
    ConsoleTimeouts shortWaits;
    shortWaits.loginMs = shortWaits.lineMs = shortWaits.checksumMs = 1000;
    shortWaits.completeMs = 1000;
    ConsoleTimeouts longLogin = defaults;
    longLogin.loginMs = 100000;
    struct Case {
        const char* what;
        ConsoleTimeouts waits;
        int verifyMs;
        nlohmann::json event;
        long long boundMs;
    } cases[] = {
        {"defaults: two completes of 120 s", defaults, 60000, nlohmann::json::object(), 240000 + 60000},
        {"short waits: the verify and its last try", shortWaits, 3000, nlohmann::json::object(), 6000 + 60000},
        {"a long login: three of them", longLogin, 1000, nlohmann::json::object(), 301000 + 60000},
        {"after a retry: its delay too", defaults, 60000, Retry(90.5), 300000 + 90500},
        {"a retry's delay past the cap", defaults, 60000, Retry(1e9), 300000 + 3600000},
        {"a delay that is no number", defaults, 60000, Retry("soon"), 300000},
        {"a progress event", defaults, 60000, {{"event", "progress"}, {"delay_seconds", 999}}, 300000},
    };
    for (const Case& c : cases) EXPECT_EQ(JobSilenceBoundMs(c.waits, c.verifyMs, c.event), c.boundMs) << c.what;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return RunChild(argv[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
