#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

// Runs one job per device, each in a forked child process of its own (the
// console engine has one global ConsoleSocket), at most `jobs` at once. A
// child reports JSON objects, one a line, on a pipe; the parent hears them
// in onEvent and is ticked every tickMs to redraw.
struct ParallelJobs {
    size_t count = 0;
    size_t jobs = 0;  // 0: all at once
    int tickMs = 100;
    // In the child: the job of device index; send(event) reaches onEvent.
    std::function<void(size_t index, const std::function<void(const nlohmann::json&)>& send)> childMain;
    // In the parent, for each line a child sent.
    std::function<void(size_t index, const nlohmann::json& event)> onEvent;
    // In the parent, when a child ended; exitText says how ("exit 0", "killed by signal 9").
    std::function<void(size_t index, const std::string& exitText, bool clean)> onExit;
    std::function<void()> onTick;
    // In the parent, as a child starts.
    std::function<void(size_t index)> onStart;
    // Polled in the parent: once true, no further child starts and each
    // running child is asked once to stop at its next safe point.
    std::function<bool()> interrupted;
};

// Returns when every child that started has ended. False when a child could
// not be started (its onExit then says so).
bool RunParallel(const ParallelJobs& p);
