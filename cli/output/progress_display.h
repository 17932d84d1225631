#pragma once

#include <cstdio>
#include <string>
#include <vector>

// What the parent knows of one device's update, for the display.
struct DeviceProgress {
    std::string label;
    std::string phase = "waiting";
    int percent = 0;  // as the engine reports it (0..99); 100 once verified
    unsigned lines = 0;
    unsigned totalLines = 0;
    double transferSeconds = 0;  // since the first image line, for the rate
    bool finished = false;
    bool ok = false;
    std::string result;  // "verified", "failed", ...
    std::string detail;
    int attempt = 1;        // the try under way, from 1
    int attempts = 1;       // tries allowed
    std::string retryNote;  // "in 2 s: <reason of the last failure>" while waiting to retry
};

// "0:07", "1:02:03"; "-" for a negative or unknown time.
std::string FormatDuration(double seconds);

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
