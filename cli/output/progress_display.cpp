#include "cli/output/progress_display.h"

#include <algorithm>

#include "cli/output/json_events.h"
#include "cli/output/stored_json.h"
#include "cli/output/summary_table.h"
#include "cli/output/terminal.h"
#include "cli/output/visible_text.h"

std::string FormatDuration(double seconds) {
    if (seconds < 0 || seconds > 360000) return "-";
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    }
    return text;
}

std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}

namespace {

std::string Bar(int percent, int width) {
    const int filled = std::clamp(percent, 0, 100) * width / 100;
    return "[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(width - filled), '.') +
           "]";
}

std::string Padded(const std::string& text, size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

// "8200 lines/s  0:01 left" while lines go out; empty before and after.
std::string RateText(const DeviceProgress& p) {
    if (p.phase != DevicePhase::Transfer || p.lines == 0 || p.transferSeconds <= 0.05) return {};
    const double rate = p.lines / p.transferSeconds;
    const double left = p.totalLines > p.lines ? (p.totalLines - p.lines) / rate : 0;
    char text[64];
    std::snprintf(text, sizeof text, "%5.0f lines/s  %s left", rate, FormatDuration(left).c_str());
    return text;
}

// What a plain line says of a device's step from before to after; empty
// when the step is not worth a line.
std::string PlainReport(const DeviceProgress& before, const DeviceProgress& after) {
    if (after.finished && !before.finished)
        return ResultName(after.result) + (after.detail.empty() ? "" : ": " + after.detail);
    if (after.attempt != before.attempt)
        return "attempt " + std::to_string(after.attempt) + " of " + std::to_string(after.attempts) + " " +
               after.retryNote;
    if (after.phase != before.phase) return TraitsOf(after.phase).shown;
    if (after.phase != DevicePhase::Transfer || after.percent / 10 == before.percent / 10) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%d%% (%u/%u lines)", after.percent, after.lines, after.totalLines);
    return text;
}

}  // namespace

std::string FormatProgressLine(const DeviceProgress& p, size_t labelWidth, int barWidth) {
    const int shown = p.finished && TraitsOf(p.result).written ? 100 : p.percent;
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%3d%%  %5u/%u lines", shown, p.lines, p.totalLines);
    std::string line = Padded(p.label, labelWidth) + "  " + Bar(shown, barWidth) + " " + numbers;
    if (p.finished) return VisibleText(line + "  " + ResultName(p.result) + (p.detail.empty() ? "" : ": " + p.detail));
    const std::string rate = RateText(p);
    line += "  " + (rate.empty() ? "" : rate + "  ") + TraitsOf(p.phase).shown;
    if (p.attempt > 1) line += " (attempt " + std::to_string(p.attempt) + " of " + std::to_string(p.attempts) + ")";
    return VisibleText(line);
}

void TerminalBars::Draw(const std::vector<DeviceProgress>& devices, const std::string& notice) {
    size_t labelWidth = 0;
    for (const DeviceProgress& d : devices) labelWidth = std::max(labelWidth, d.label.size());
    const int width = TerminalWidth(out_, 100);
    const int barWidth = std::clamp(width - static_cast<int>(labelWidth) - 70, 10, 30);
    if (drawn_ > 0) PrintTo(out_, "\033[%zuA", drawn_);
    for (const DeviceProgress& d : devices) {
        std::string line = FormatProgressLine(d, labelWidth, barWidth);
        if (static_cast<int>(line.size()) >= width) line.resize(static_cast<size_t>(std::max(width - 1, 1)));
        PrintTo(out_, "\r\033[2K%s\n", line.c_str());
    }
    drawn_ = devices.size();
    if (!notice.empty()) {
        PrintTo(out_, "\r\033[2K%s\n", notice.substr(0, static_cast<size_t>(std::max(width - 1, 1))).c_str());
        ++drawn_;
    }
    std::fflush(out_);
}

void PlainProgress::Report(const DeviceProgress& before, const DeviceProgress& after) {
    const std::string report = PlainReport(before, after);
    if (!report.empty()) PrintTo(out_, "%s\n", VisibleText(after.label + ": " + report).c_str());
    std::fflush(out_);
}

void ApplyEvent(DeviceProgress& p, const nlohmann::json& event, std::chrono::steady_clock::time_point now) {
    const std::string kind = FieldText(event, "event");
    if (kind == "phase") {
        PhaseFromName(FieldText(event, "phase"), p.phase);
        if (p.phase == DevicePhase::Transfer) p.transferStart = now;
    } else if (kind == "progress") {
        p.percent = FieldInt(event, "percent", p.percent);
        p.lines = FieldUnsigned(event, "lines", p.lines);
        p.totalLines = FieldUnsigned(event, "total_lines", p.totalLines);
        p.transferSeconds = std::chrono::duration<double>(now - p.transferStart).count();
    } else if (kind == "retry") {
        p.attempt = FieldInt(event, "attempt", p.attempt);
        p.attempts = FieldInt(event, "attempts", p.attempts);
        p.retryNote =
            "in " + SecondsText(FieldNumber(event, "delay_seconds", 0)) + " (" + FieldText(event, "reason") + ")";
        p.phase = DevicePhase::Retry;
    }
}

void ShowResult(DeviceProgress& p, const DeviceOutcome& outcome) {
    p.finished = true;
    p.result = outcome.result;
    p.detail = outcome.detail;
    p.lines = outcome.lines;
}

ProgressView::ProgressView(bool json, size_t devices)
    : json_(json),
      // Bars redraw in place, so they need a terminal with room for all of them.
      bars_(!json && CanDrawBars(stderr) && devices + 2 < TerminalRows(stderr, 24)),
      terminal_(stderr),
      plain_(stderr) {}

void ProgressView::Start(const nlohmann::json& startEvent, const std::vector<DeviceProgress>& devices) {
    if (json_) {
        PrintJsonLine(startEvent);
    } else if (bars_) {
        terminal_.Draw(devices);
    }
}

void ProgressView::Event(const nlohmann::json& event, const DeviceProgress& before, const DeviceProgress& after) {
    if (json_) {
        nlohmann::json shown = event;
        shown["device"] = after.label;
        PrintJsonLine(shown);
    } else if (!bars_) {
        plain_.Report(before, after);
    }
    dirty_ = true;
}

void ProgressView::Notice(const std::string& text, int signals) {
    if (json_) {
        PrintJsonLine({{"event", "interrupted"}, {"signals", signals}, {"text", text}});
    } else if (bars_) {
        notice_ = text;
        dirty_ = true;
    } else {
        PrintTo(stderr, "%s\n", text.c_str());
    }
}

void ProgressView::Tick(const std::vector<DeviceProgress>& devices) {
    if (!bars_ || !dirty_) return;
    terminal_.Draw(devices, notice_);
    dirty_ = false;
}

void ProgressView::Summary(const std::vector<std::string>& labels, const std::vector<DeviceOutcome>& outcomes,
                           int exitCode) {
    if (!json_) {
        if (bars_) std::fputc('\n', stderr);
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
