#include "cli/output/live_view.h"

#include <algorithm>
#include <cmath>

#include "cli/output/display_width.h"
#include "cli/output/messages.h"
#include "cli/output/visible_text.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

bool Running(const DeviceProgress& p) { return p.started && !p.finished; }

size_t LabelWidth(const RunSnapshot& run) {
    if (run.labelWidth > 0) return run.labelWidth;
    size_t width = 0;
    for (const DeviceProgress& d : run.devices) width = std::max(width, DisplayWidth(ShownLabel(d)));
    return width;
}

// Room for a line: one column short of the terminal's width, at least one.
size_t LineRoom(TerminalSize size) { return static_cast<size_t>(std::max(size.columns - 1, 1)); }

std::string Fitted(const std::string& line, TerminalSize size) { return CutToWidth(line, LineRoom(size)); }

std::string FinishedLine(const DeviceProgress& p, size_t labelWidth, TerminalSize size) {
    return Fitted(VisibleText(PadToWidth(ShownLabel(p), labelWidth) + "  " + FinishedText(p)), size);
}

std::string MoreRunning(size_t count) { return Formatted(Tr("+%zu more running"), count); }

}  // namespace

RunCounts CountRun(const std::vector<DeviceProgress>& devices) {
    RunCounts c;
    c.total = devices.size();
    for (const DeviceProgress& d : devices) {
        if (!d.finished) {
            (d.started ? c.running : c.waiting)++;
            continue;
        }
        ++c.done;
        if (!ResultIsSuccess(d.result))
            ++c.failed;
        else if (TraitsOf(d.result).written)
            ++c.verified;
        else
            ++c.skipped;
    }
    return c;
}

double EstimateSecondsLeft(const RunSnapshot& run) {
    double total = 0, longestRest = 0;
    size_t ran = 0, running = 0, waiting = 0;
    for (const DeviceProgress& d : run.devices) {
        if (d.finished && d.started && d.seconds > 0) {
            total += d.seconds;
            ++ran;
        }
        running += Running(d) ? 1 : 0;
        waiting += !d.started && !d.finished ? 1 : 0;
    }
    if (ran == 0) return -1;
    const double each = total / static_cast<double>(ran);
    for (const DeviceProgress& d : run.devices) {
        if (!Running(d)) continue;
        const double age = Since(d.startedAt, run.now);
        // One slower than those that ended goes on as its transfer goes.
        const double byPercent = d.percent > 0 ? age * (100 - d.percent) / d.percent : 0;
        longestRest = std::max({longestRest, each - age, byPercent});
    }
    const double rounds = std::ceil(static_cast<double>(waiting) / static_cast<double>(std::max<size_t>(running, 1)));
    return longestRest + rounds * each;
}

std::string StatusLine(const RunSnapshot& run) {
    const RunCounts c = CountRun(run.devices);
    std::string line = Formatted(Tr("%zu/%zu done  %zu verified  %zu failed  %zu skipped  %zu running  %zu waiting"),
                                 c.done, c.total, c.verified, c.failed, c.skipped, c.running, c.waiting);
    if (!run.stage.empty()) line += "  " + run.stage;
    if (run.waves > 1) line += "  " + Formatted(Tr("wave %d of %d"), std::max(run.wave, 1), run.waves);
    line += "  " + Formatted(Tr("%s elapsed"), FormatDuration(Since(run.start, run.now)).c_str());
    const double left = c.done < c.total ? EstimateSecondsLeft(run) : -1;
    if (left >= 0) line += "  " + Formatted(Tr("about %s left"), FormatDuration(left).c_str());
    return line;
}

std::vector<std::string> RegionLines(const RunSnapshot& run, TerminalSize size) {
    const size_t limit = std::max<size_t>(size.rows, 2) - 1;
    std::vector<std::string> lines{Fitted(StatusLine(run), size)};
    std::vector<const DeviceProgress*> running;
    for (const DeviceProgress& d : run.devices)
        if (Running(d)) running.push_back(&d);
    // Every bar when they all fit; else one line less for "+N more running".
    const size_t bars = running.size() + 1 <= limit ? running.size() : (limit >= 2 ? limit - 2 : 0);
    const size_t labelWidth = LabelWidth(run);
    const int barWidth = std::clamp(size.columns - static_cast<int>(labelWidth) - 70, 10, 30);
    for (size_t k = 0; k < bars; ++k) lines.push_back(Fitted(FormatProgressLine(*running[k], labelWidth, barWidth), size));
    if (bars < running.size() && lines.size() < limit) lines.push_back(Fitted(MoreRunning(running.size() - bars), size));
    return lines;
}

LiveFrame LiveLayout::Next(const RunSnapshot& run, TerminalSize size, std::vector<std::string> notices) {
    LiveFrame frame;
    frame.above = std::move(notices);
    announced_.resize(run.devices.size(), false);
    const size_t labelWidth = LabelWidth(run);
    for (size_t i = 0; i < run.devices.size(); ++i) {
        if (!run.devices[i].finished || announced_[i]) continue;
        announced_[i] = true;
        frame.above.push_back(FinishedLine(run.devices[i], labelWidth, size));
    }
    frame.region = RegionLines(run, size);
    return frame;
}

LiveFrame LiveLayout::Last(const RunSnapshot& run, TerminalSize size, std::vector<std::string> notices) {
    LiveFrame frame = Next(run, size, std::move(notices));
    frame.above.push_back(frame.region.front());
    frame.region.clear();
    return frame;
}

std::string FrameText(const std::vector<size_t>& drawnWidths, const LiveFrame& frame, int columns) {
    const size_t width = static_cast<size_t>(std::max(columns, 1));
    size_t rows = 0;
    for (size_t w : drawnWidths) rows += std::max<size_t>(1, (w + width - 1) / width);
    std::string text = "\r";
    if (rows > 0) text += "\033[" + std::to_string(rows) + "A";
    // Each line clears its own row: a clear to the end from the screen's top
    // corner is a clear of the screen, which some terminals (tmux) first copy
    // into the scroll-back.
    for (const auto* lines : {&frame.above, &frame.region})
        for (const std::string& line : *lines) text += "\033[2K" + line + "\n";
    return text + "\033[J";
}
