#include "cli/output/progress_view.h"

#include <cstdio>

#include "cli/output/display_width.h"
#include "cli/output/json_events.h"
#include "cli/output/summary_table.h"
#include "cli/output/terminal.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kFrameGap = std::chrono::milliseconds(200);  // at most five frames a second
constexpr auto kUrgentGap = std::chrono::milliseconds(50);  // finishes that come at once share a frame
constexpr auto kClockGap = std::chrono::seconds(1);         // the elapsed time moves on its own
constexpr auto kHeartbeatGap = std::chrono::seconds(30);    // plain: the run's counts

// What mode comes to on stderr: bars need a terminal that takes cursor moves
// (CanDrawBars turns them on in a Windows console that has them); asked for
// on a file or a pipe they are drawn at the fallback size.
ProgressMode Resolved(bool json, ProgressMode mode) {
    if (json) return ProgressMode::None;
    if (mode == ProgressMode::Auto) return CanDrawBars(stderr) ? ProgressMode::Bars : ProgressMode::Plain;
    if (mode == ProgressMode::Bars && IsTerminal(stderr) && !CanDrawBars(stderr)) return ProgressMode::Plain;
    return mode;
}

TerminalSize SizeOfStderr() { return {TerminalWidth(stderr, 80), TerminalRows(stderr, 24)}; }

void PrintLine(const std::string& line) {
    WriteText(stderr, line + "\n");
    std::fflush(stderr);
}

}  // namespace

bool ProgressModeFromName(const std::string& name, ProgressMode& mode) {
    static const std::pair<const char*, ProgressMode> kModes[] = {
        {"auto", ProgressMode::Auto}, {"bars", ProgressMode::Bars}, {"plain", ProgressMode::Plain}, {"none", ProgressMode::None}};
    for (const auto& [text, m] : kModes) {
        if (name != text) continue;
        mode = m;
        return true;
    }
    return false;
}

ProgressView::ProgressView(bool json, ProgressMode mode)
    : json_(json), mode_(Resolved(json, mode)), lastDraw_(Clock::now()), lastHeartbeat_(Clock::now()) {}

void ProgressView::Start(const nlohmann::json& startEvent) {
    if (json_) PrintJsonLine(startEvent);
    dirty_ = true;
}

void ProgressView::Started(const DeviceProgress& p) {
    if (mode_ == ProgressMode::Plain) PrintLine(PlainStartLine(p));
    dirty_ = true;
}

void ProgressView::Event(const nlohmann::json& event, const DeviceProgress& before, const DeviceProgress& after) {
    if (json_) {
        nlohmann::json shown = event;
        shown["device"] = after.label;
        PrintJsonLine(shown);
    } else if (mode_ == ProgressMode::Plain) {
        const std::string line = PlainLine(before, after);
        if (!line.empty()) PrintLine(line);
    }
    dirty_ = true;
    urgent_ = urgent_ || (after.finished && !before.finished);
}

void ProgressView::Notice(const std::string& text, int signals) {
    if (json_) {
        PrintJsonLine({{"event", "interrupted"}, {"signals", signals}, {"text", text}});
    } else if (mode_ == ProgressMode::Bars) {
        notices_.push_back(text);
    } else {
        PrintLine(text);
    }
}

bool ProgressView::Due(Clock::time_point now) {
    if (mode_ == ProgressMode::Plain) return now - lastHeartbeat_ >= kHeartbeatGap;
    if (mode_ != ProgressMode::Bars) return false;
    const auto since = now - lastDraw_;
    if (!notices_.empty() || (urgent_ && since >= kUrgentGap) || since >= (dirty_ ? kFrameGap : kClockGap))
        return true;
    // The size is asked at most as often as a frame may come: the parent is
    // ticked for every burst of its children's output.
    if (now - lastSizeCheck_ < kFrameGap) return false;
    lastSizeCheck_ = now;
    const TerminalSize size = SizeOfStderr();
    return size.columns != columns_ || size.rows != rows_;
}

void ProgressView::Tick(const RunSnapshot& run) {
    if (mode_ == ProgressMode::Bars) {
        Draw(run, false);
        return;
    }
    if (mode_ != ProgressMode::Plain) return;
    lastHeartbeat_ = run.now;
    if (CountRun(run.devices).running > 0) PrintLine("tqm530r: " + StatusLine(run));
}

void ProgressView::End(const RunSnapshot& run) {
    if (mode_ == ProgressMode::Bars) Draw(run, true);
}

void ProgressView::Draw(const RunSnapshot& run, bool last) {
    const TerminalSize size = SizeOfStderr();
    const LiveFrame frame = last ? layout_.Last(run, size, std::move(notices_)) : layout_.Next(run, size, std::move(notices_));
    notices_.clear();
    WriteText(stderr, FrameText(drawnWidths_, frame, size.columns));
    std::fflush(stderr);
    drawnWidths_.clear();
    for (const std::string& line : frame.region) drawnWidths_.push_back(DisplayWidth(line));
    columns_ = size.columns;
    rows_ = size.rows;
    lastDraw_ = run.now;
    dirty_ = urgent_ = false;
}

void ProgressView::Summary(const std::vector<std::string>& labels, const std::vector<DeviceOutcome>& outcomes,
                           int exitCode) {
    if (!json_) {
        PrintSummaryTable(stdout, labels, outcomes);
        return;
    }
    nlohmann::json devices = nlohmann::json::array();
    for (size_t i = 0; i < outcomes.size(); ++i) {
        nlohmann::json d = OutcomeToJson(outcomes[i]);
        d.erase("event");
        d["device"] = labels[i];
        devices.push_back(d);
    }
    PrintJsonLine({{"event", "summary"}, {"devices", devices}, {"exit_code", exitCode}});
}
