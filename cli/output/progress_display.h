#pragma once

#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/device/device_outcome.h"
#include "cli/device/device_phase.h"

// What an update run shows of each device while it goes: its progress as
// its events arrive and its line with a bar (live_view.h draws the run,
// progress_view.h puts it on the screen).

// What the parent knows of one device's update, for the display.
struct DeviceProgress {
    std::string label;  // its address, as --json names it
    std::string name;   // the inventory's name for it; empty without one
    bool started = false;  // its process was started
    std::chrono::steady_clock::time_point startedAt{};
    DevicePhase phase = DevicePhase::Waiting;
    int percent = 0;  // as the engine reports it (0..99); 100 once verified
    unsigned lines = 0;
    unsigned totalLines = 0;
    double transferSeconds = 0;  // since the first image line, for the rate
    std::chrono::steady_clock::time_point transferStart{};
    bool finished = false;
    DeviceResult result = DeviceResult::Failed;  // once finished
    std::string detail;
    std::string mac;      // once finished, where known
    double seconds = 0;   // once finished: how long it took
    int attempt = 1;        // the try under way, from 1
    int attempts = 1;       // tries allowed
    std::string retryNote;  // "in 2 s: <reason of the last failure>" while waiting to retry
};

// What a person reads for the device: "10.77.0.10 本社3F-東", its address
// and the inventory's name after it where there is one.
std::string ShownLabel(const DeviceProgress& p);

// "0:07", "1:02:03"; "-" for a negative or unknown time.
std::string FormatDuration(double seconds);
// "2 s", "0.5 s": a short wait in a message.
std::string SecondsText(double seconds);

// What a child's "phase", "progress" or "retry" event changes in its
// device's progress; now is when it arrived.
void ApplyEvent(DeviceProgress& p, const nlohmann::json& event, std::chrono::steady_clock::time_point now);
// The device's end, as its result tells it.
void ShowResult(DeviceProgress& p, const DeviceOutcome& outcome);

// One line of the terminal display:
// "10.77.0.10  [#########.........]  47%  5390/11460 lines  8200 lines/s  0:01 left  transfer"
std::string FormatProgressLine(const DeviceProgress& p, size_t labelWidth, int barWidth);

// A finished device: "verified     0:12  02:4c:1a:00:00:01  running 1.0.05 after the reset"
// (the result, its time, the MAC where known, the detail).
std::string FinishedText(const DeviceProgress& p);

// The plain line (for a log or a pipe) of a device's step from before to
// after, when the step is one worth a line: the retry with its reason, the
// end with its result. Empty otherwise.
std::string PlainLine(const DeviceProgress& before, const DeviceProgress& after);
// The plain line of a device whose process started.
std::string PlainStartLine(const DeviceProgress& p);
