#include "cli/output/progress_display.h"

#include <algorithm>

#include "cli/output/display_width.h"
#include "cli/output/messages.h"
#include "cli/output/stored_json.h"
#include "cli/output/summary_table.h"
#include "cli/output/visible_text.h"

std::string ShownLabel(const DeviceProgress& p) { return p.name.empty() ? p.label : p.label + " " + p.name; }

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

// "8200 lines/s  0:01 left" while lines go out; empty before and after.
std::string RateText(const DeviceProgress& p) {
    if (p.phase != DevicePhase::Transfer || p.lines == 0 || p.transferSeconds <= 0.05) return {};
    const double rate = p.lines / p.transferSeconds;
    const double left = p.totalLines > p.lines ? (p.totalLines - p.lines) / rate : 0;
    return Formatted(Tr("%5.0f lines/s  %s left"), rate, FormatDuration(left).c_str());
}

}  // namespace

std::string FormatProgressLine(const DeviceProgress& p, size_t labelWidth, int barWidth) {
    const int shown = p.finished && TraitsOf(p.result).written ? 100 : p.percent;
    const std::string numbers = Formatted(Tr("%3d%%  %5u/%u lines"), shown, p.lines, p.totalLines);
    std::string line = PadToWidth(ShownLabel(p), labelWidth) + "  " + Bar(shown, barWidth) + " " + numbers;
    if (p.finished)
        return VisibleText(line + "  " + ShownResult(p.result) + (p.detail.empty() ? "" : ": " + TrText(p.detail)));
    const std::string rate = RateText(p);
    // A process started that has not told its first phase yet.
    const std::string phase = p.started && p.phase == DevicePhase::Waiting ? Tr("started") : Tr(TraitsOf(p.phase).shown);
    line += "  " + (rate.empty() ? "" : rate + "  ") + phase;
    if (p.attempt > 1) line += Formatted(Tr(" (attempt %d of %d)"), p.attempt, p.attempts);
    return VisibleText(line);
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
        p.retryNote = Formatted(Tr("in %s (%s)"), SecondsText(FieldNumber(event, "delay_seconds", 0)).c_str(),
                                TrText(FieldText(event, "reason")).c_str());
        p.phase = DevicePhase::Retry;
    }
}

void ShowResult(DeviceProgress& p, const DeviceOutcome& outcome) {
    p.finished = true;
    p.result = outcome.result;
    p.detail = outcome.detail;
    p.lines = outcome.lines;
    p.mac = outcome.mac;
    p.seconds = outcome.seconds;
}

std::string FinishedText(const DeviceProgress& p) {
    std::string text = PadToWidth(ShownResult(p.result), 11) + "  " + FormatDuration(p.seconds);
    if (!p.mac.empty()) text += "  " + p.mac;
    if (!p.detail.empty()) text += "  " + TrText(p.detail);
    return text;
}

std::string PlainLine(const DeviceProgress& before, const DeviceProgress& after) {
    std::string text;
    if (after.finished && !before.finished)
        text = FinishedText(after);
    else if (after.attempt != before.attempt)
        text = Formatted(Tr("attempt %d of %d %s"), after.attempt, after.attempts, after.retryNote.c_str());
    return text.empty() ? text : VisibleText(ShownLabel(after) + ": " + text);
}

std::string PlainStartLine(const DeviceProgress& p) { return VisibleText(ShownLabel(p) + ": " + Tr("started")); }
