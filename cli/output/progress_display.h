#pragma once

#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/device/device_outcome.h"
#include "cli/device/device_phase.h"

// What an update run shows while it goes, in one place: each device's
// progress as its events arrive, drawn as bars, plain lines or JSON lines,
// and the summary after.

// What the parent knows of one device's update, for the display.
struct DeviceProgress {
    std::string label;
    DevicePhase phase = DevicePhase::Waiting;
    int percent = 0;  // as the engine reports it (0..99); 100 once verified
    unsigned lines = 0;
    unsigned totalLines = 0;
    double transferSeconds = 0;  // since the first image line, for the rate
    std::chrono::steady_clock::time_point transferStart{};
    bool finished = false;
    DeviceResult result = DeviceResult::Failed;  // once finished
    std::string detail;
    int attempt = 1;        // the try under way, from 1
    int attempts = 1;       // tries allowed
    std::string retryNote;  // "in 2 s: <reason of the last failure>" while waiting to retry
};

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

// A bar per device, redrawn in place on a terminal (ANSI cursor moves).
class TerminalBars {
public:
    explicit TerminalBars(FILE* out) : out_(out) {}
    // notice, when not empty, stands as one line under the bars.
    void Draw(const std::vector<DeviceProgress>& devices, const std::string& notice = {});

private:
    FILE* out_;
    size_t drawn_ = 0;
};

// Plain lines for a log or a pipe: each phase, every 10 %, and the end.
class PlainProgress {
public:
    explicit PlainProgress(FILE* out) : out_(out) {}
    void Report(const DeviceProgress& before, const DeviceProgress& after);

private:
    FILE* out_;
};

// How an update run is shown as it goes: JSON lines on stdout (--json), a
// bar per device redrawn on a terminal with room for them all, or plain lines
// on stderr; then the summary.
class ProgressView {
public:
    ProgressView(bool json, size_t devices);

    void Start(const nlohmann::json& startEvent, const std::vector<DeviceProgress>& devices);
    // A device's event arrived and took its progress from before to after.
    void Event(const nlohmann::json& event, const DeviceProgress& before, const DeviceProgress& after);
    // One line about the whole run (an interruption); signals heard so far.
    void Notice(const std::string& text, int signals);
    // Redraws the bars when something changed since the last tick.
    void Tick(const std::vector<DeviceProgress>& devices);
    // The table, or with --json the "summary" object (with the run's exit code).
    void Summary(const std::vector<std::string>& labels, const std::vector<DeviceOutcome>& outcomes, int exitCode);

private:
    bool json_;
    bool bars_;
    bool dirty_ = false;
    std::string notice_;
    TerminalBars terminal_;
    PlainProgress plain_;
};
