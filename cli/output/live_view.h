#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "cli/output/progress_display.h"

// The live view of an update run on a terminal, as pure steps: the run at one
// moment and the terminal's size in, the lines to print out. Finished devices
// go above as permanent lines, once each; below them a region that is drawn
// again in place: a status line for the whole run, a bar for each running
// device that fits, "+N more running" for the rest. The region takes at most
// rows - 1 lines (the cursor's line stays free, so nothing scrolls the
// region), each at most columns - 1 wide (a line as wide as the terminal
// wraps on some), measured by display width.

struct TerminalSize {
    int columns = 80;
    size_t rows = 24;
};

// The run at one moment.
struct RunSnapshot {
    std::vector<DeviceProgress> devices;
    int wave = 0;   // the wave under way, 1-based; 0 outside waves
    int waves = 0;  // the rollout's waves; told from 2 on
    size_t labelWidth = 0;  // the widest device label's columns; 0: measured here
    std::string stage;      // what the run does before its devices start ("reading versions 12 of 40"); empty after
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point now;
};

// The whole run's counts; verified + failed + skipped is done (verified: the
// image went in; failed: whatever is no success, as the summary counts it).
struct RunCounts {
    size_t total = 0, done = 0, verified = 0, failed = 0, skipped = 0, running = 0, waiting = 0;
};
RunCounts CountRun(const std::vector<DeviceProgress>& devices);

// Seconds until the last device ends: the devices that finished after they
// ran took so long on average, the running ones need the rest of it (or, when
// slower, as long again as their percentage says), the waiting ones as many
// rounds again as the running ones fill. Negative without a basis (no device
// has finished after running).
double EstimateSecondsLeft(const RunSnapshot& run);

// One line for the whole run, for the live region and the plain heartbeat:
// "12/40 done  10 verified  1 failed  1 skipped  8 running  20 waiting  wave 2 of 4  0:42 elapsed  about 1:10 left",
// the stage after the counts while there is one
std::string StatusLine(const RunSnapshot& run);

// The live region: the status line, the bars and "+N more running".
std::vector<std::string> RegionLines(const RunSnapshot& run, TerminalSize size);

struct LiveFrame {
    std::vector<std::string> above;   // permanent lines, printed once
    std::vector<std::string> region;  // the live region, drawn again by the next frame
};

// Frames in turn: each finished device's line goes above in the first frame
// that sees it finished, and never again.
class LiveLayout {
public:
    // notices (an interruption's messages) go above, before the finished devices.
    LiveFrame Next(const RunSnapshot& run, TerminalSize size, std::vector<std::string> notices = {});
    // The last frame: the status line joins the permanent lines, no region stays.
    LiveFrame Last(const RunSnapshot& run, TerminalSize size, std::vector<std::string> notices = {});

private:
    std::vector<bool> announced_;
};

// The bytes that replace the region drawn before (its lines' display widths)
// by frame on a terminal now columns wide: up over the old region (a line
// that a narrower terminal wrapped counts its rows), the permanent lines and
// the new region each over a cleared row, then the rest cleared.
std::string FrameText(const std::vector<size_t>& drawnWidths, const LiveFrame& frame, int columns);
