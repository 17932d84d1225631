#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/device/device_outcome.h"
#include "cli/output/live_view.h"
#include "cli/output/progress_display.h"

// How a run is shown on stderr as it goes: "auto" is bars on a terminal
// that can draw them, else plain lines.
enum class ProgressMode { Auto, Bars, Plain, None };
// "auto", "bars", "plain", "none"; false for any other.
bool ProgressModeFromName(const std::string& name, ProgressMode& mode);

// How an update run is shown as it goes: JSON lines on stdout (--json, and
// nothing else on stderr); else on stderr, as mode says, a live region at the
// bottom of the terminal with each finished device printed once above it
// (live_view.h), plain lines (one a device's start, retry and end, the run's
// counts every 30 s while devices run) or nothing but the notices; then the
// summary.
class ProgressView {
public:
    ProgressView(bool json, ProgressMode mode);

    void Start(const nlohmann::json& startEvent);
    // A device's process started.
    void Started(const DeviceProgress& p);
    // A device's event arrived and took its progress from before to after.
    void Event(const nlohmann::json& event, const DeviceProgress& before, const DeviceProgress& after);
    // One line about the whole run (an interruption); signals heard so far.
    void Notice(const std::string& text, int signals);
    // True when Tick has something to do at now: a frame of the live region
    // (at most every 200 ms while anything changes, within 50 ms of a
    // finished device, at once for a notice, within 200 ms of a new size of
    // the terminal) or the plain heartbeat.
    bool Due(std::chrono::steady_clock::time_point now);
    void Tick(const RunSnapshot& run);
    // The run's last frame: the finished devices not yet shown and the status
    // line stay as permanent lines, the live region goes.
    void End(const RunSnapshot& run);
    // The table, or with --json the "summary" object (with the run's exit code).
    void Summary(const std::vector<std::string>& labels, const std::vector<DeviceOutcome>& outcomes, int exitCode);

private:
    void Draw(const RunSnapshot& run, bool last);

    bool json_;
    ProgressMode mode_;
    bool dirty_ = false;
    bool urgent_ = false;
    std::vector<std::string> notices_;
    std::vector<size_t> drawnWidths_;
    int columns_ = 0;
    size_t rows_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
    std::chrono::steady_clock::time_point lastHeartbeat_{};
    std::chrono::steady_clock::time_point lastSizeCheck_{};
    LiveLayout layout_;
};
