#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// Runs one job per device, each in a child process of its own (so that a
// device past "flash" finishes when the parent dies): this program started again with the
// job's arguments, at most `jobs` at once. A child reports JSON objects, one
// a line, on its standard output (child_protocol.h); the parent hears them in
// onEvent and is ticked every tickMs to redraw. The same on every platform,
// over cli/subprocess.h.
struct ParallelJobs {
    size_t count = 0;
    size_t jobs = 0;  // 0: all at once
    int tickMs = 100;
    // The arguments (argv[1] on) of the child that runs job index.
    std::function<std::vector<std::string>(size_t index)> childArguments;
    // In the parent, for each line a child sent.
    std::function<void(size_t index, const nlohmann::json& event)> onEvent;
    // In the parent, when a child's output held lines that are not events
    // (stored_json.h), once as it ends: how many.
    std::function<void(size_t index, size_t lines)> onDamagedLines;
    // In the parent, when a child ended; exitText says how ("exit 0", "killed by signal 9").
    std::function<void(size_t index, const std::string& exitText, bool clean)> onExit;
    // False leaves at once: the running children go on alone.
    std::function<bool()> onTick;
    // In the parent, as a child starts.
    std::function<void(size_t index)> onStart;
    // Polled in the parent: once true, no further child starts and each
    // running child is asked once to stop at its next safe point.
    std::function<bool()> interrupted;
    // When set, which jobs start now, asked each turn (a rollout's waves);
    // else jobs start in order, `jobs` at once. nextJobs may take its time
    // while no child runs (a soak). moreJobs: false once none will start.
    std::function<std::vector<size_t>()> nextJobs;
    std::function<bool()> moreJobs;
    // The longest a child may be silent after it sent event (after its start:
    // an empty object) before it counts as hung; unset: no bound. A hung
    // child is asked to stop (onOverdue says why), killed after stopGraceMs
    // unless it ended, and its onExit is never clean and names the silence.
    std::function<long long(const nlohmann::json& event)> silenceBoundMs;
    std::function<void(size_t index, const std::string& reason)> onOverdue;
    int stopGraceMs = 10000;
    // How long a child that closed its output may take to end before it is
    // killed (its exit text then says so).
    int endBoundMs = 10000;
};

// Returns when every child that started has ended, or when onTick says to
// leave. False when a child could not be started (its onExit then says so).
bool RunParallel(const ParallelJobs& p);
