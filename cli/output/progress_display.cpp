#include "cli/output/progress_display.h"

#include <algorithm>

#include "cli/output/terminal.h"

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
    if (p.phase != "transfer" || p.lines == 0 || p.transferSeconds <= 0.05) return {};
    const double rate = p.lines / p.transferSeconds;
    const double left = p.totalLines > p.lines ? (p.totalLines - p.lines) / rate : 0;
    char text[64];
    std::snprintf(text, sizeof text, "%5.0f lines/s  %s left", rate, FormatDuration(left).c_str());
    return text;
}

}  // namespace

std::string FormatProgressLine(const DeviceProgress& p, size_t labelWidth, int barWidth) {
    const int shown = p.finished && p.ok && p.result != "skipped" ? 100 : p.percent;
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%3d%%  %5u/%u lines", shown, p.lines, p.totalLines);
    std::string line = Padded(p.label, labelWidth) + "  " + Bar(shown, barWidth) + " " + numbers;
    if (p.finished) return line + "  " + p.result + (p.detail.empty() ? "" : ": " + p.detail);
    const std::string rate = RateText(p);
    line += "  " + (rate.empty() ? "" : rate + "  ") + p.phase;
    if (p.attempt > 1) line += " (attempt " + std::to_string(p.attempt) + " of " + std::to_string(p.attempts) + ")";
    return line;
}

void TerminalBars::Draw(const std::vector<DeviceProgress>& devices, const std::string& notice) {
    size_t labelWidth = 0;
    for (const DeviceProgress& d : devices) labelWidth = std::max(labelWidth, d.label.size());
    const int width = TerminalWidth(out_, 100);
    const int barWidth = std::clamp(width - static_cast<int>(labelWidth) - 70, 10, 30);
    if (drawn_ > 0) std::fprintf(out_, "\033[%zuA", drawn_);
    for (const DeviceProgress& d : devices) {
        std::string line = FormatProgressLine(d, labelWidth, barWidth);
        if (static_cast<int>(line.size()) >= width) line.resize(static_cast<size_t>(std::max(width - 1, 1)));
        std::fprintf(out_, "\r\033[2K%s\n", line.c_str());
    }
    drawn_ = devices.size();
    if (!notice.empty()) {
        std::fprintf(out_, "\r\033[2K%s\n", notice.substr(0, static_cast<size_t>(std::max(width - 1, 1))).c_str());
        ++drawn_;
    }
    std::fflush(out_);
}

void PlainProgress::Report(const DeviceProgress& before, const DeviceProgress& after) {
    const char* label = after.label.c_str();
    if (after.finished && !before.finished) {
        std::fprintf(out_, "%s: %s%s%s\n", label, after.result.c_str(), after.detail.empty() ? "" : ": ",
                     after.detail.c_str());
    } else if (after.attempt != before.attempt) {
        std::fprintf(out_, "%s: attempt %d of %d %s\n", label, after.attempt, after.attempts, after.retryNote.c_str());
    } else if (after.phase != before.phase) {
        std::fprintf(out_, "%s: %s\n", label, after.phase.c_str());
    } else if (after.phase == "transfer" && after.percent / 10 != before.percent / 10) {
        std::fprintf(out_, "%s: %d%% (%u/%u lines)\n", label, after.percent, after.lines, after.totalLines);
    }
    std::fflush(out_);
}
