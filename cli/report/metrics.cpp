#include "cli/report/metrics.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "cli/output/visible_text.h"
#include "cli/report/text_in_place.h"

namespace {

constexpr const char* kLastSuccess = "tqm530r_last_success_timestamp_seconds";

std::string Number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void Family(std::ostream& out, const char* name, const char* help) {
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << " gauge\n";
}

void Sample(std::ostream& out, const char* name, const std::string& labels, const std::string& value) {
    out << name;
    if (!labels.empty()) out << '{' << labels << '}';
    out << ' ' << value << '\n';
}

std::string Label(const char* name, const std::string& value) {
    return std::string(name) + "=\"" + MetricLabelValue(value) + "\"";
}

void WriteResults(const RunReport& r, std::ostream& out) {
    // Every result's series exists (at 0) in every file, so an alert on it never sees a gap.
    std::map<std::string, int> counts;
    for (const ResultTraits& t : kResultTraits) counts[t.name] = 0;
    for (const DeviceReport& d : r.devices) ++counts[ResultName(d.result)];
    Family(out, "tqm530r_devices", "Devices of the last run by how they ended.");
    for (const auto& [result, n] : counts) Sample(out, "tqm530r_devices", Label("result", result), std::to_string(n));
}

void WriteDurations(const RunReport& r, std::ostream& out) {
    Family(out, "tqm530r_device_duration_seconds", "Seconds from the start to the end of each device in the last run.");
    for (const DeviceReport& d : r.devices) {
        if (d.start < 0) continue;
        std::string labels = Label("device", d.label) + "," + Label("result", ResultName(d.result));
        if (!d.name.empty()) labels += "," + Label("name", d.name);
        if (d.wave > 0) labels += "," + Label("wave", std::to_string(d.wave));
        Sample(out, "tqm530r_device_duration_seconds", labels, Number(d.end - d.start, 3));
    }
}

// Each listed device that did not answer, by name: the one series an alert on
// a missing device needs.
void WriteNotFound(const RunReport& r, std::ostream& out) {
    Family(out, "tqm530r_device_not_found", "Devices of the inventory that did not answer the last run's search.");
    for (const DeviceReport& d : r.devices)
        if (d.result == DeviceResult::NotFound)
            Sample(out, "tqm530r_device_not_found", Label("name", d.name) + "," + Label("mac", d.mac), "1");
}

}  // namespace

std::string MetricLabelValue(const std::string& text) {
    std::string out;
    for (const char c : ValidUtf8(text)) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

bool RunSucceeded(const RunReport& r) {
    if (r.exitCode >= 0) return r.exitCode == 0;
    if (r.devices.empty()) return false;
    for (const DeviceReport& d : r.devices)
        if (!ResultIsSuccess(d.result)) return false;
    return true;
}

std::string MetricsText(const RunReport& r, double previousLastSuccess) {
    std::ostringstream out;
    WriteResults(r, out);
    WriteDurations(r, out);
    WriteNotFound(r, out);
    Family(out, "tqm530r_image_info", "The firmware image of the last run (value always 1).");
    Sample(
        out, "tqm530r_image_info",
        Label("version", r.imageVersion) + "," + Label("sha256", r.imageSha256) + "," + Label("source", r.imageSource),
        "1");
    Family(out, "tqm530r_last_run_start_timestamp_seconds", "When the last run started, seconds since the epoch.");
    Sample(out, "tqm530r_last_run_start_timestamp_seconds", "", Number(r.startTime, 3));
    Family(out, "tqm530r_last_run_end_timestamp_seconds", "When the last run ended, seconds since the epoch.");
    Sample(out, "tqm530r_last_run_end_timestamp_seconds", "", Number(r.endTime, 3));
    Family(out, "tqm530r_last_run_duration_seconds", "How long the last run took.");
    Sample(out, "tqm530r_last_run_duration_seconds", "", Number(r.endTime - r.startTime, 3));
    Family(out, "tqm530r_last_run_exit_code", "The exit code of the last run (-1: not known).");
    Sample(out, "tqm530r_last_run_exit_code", "", std::to_string(r.exitCode));
    const double lastSuccess = RunSucceeded(r) ? r.endTime : previousLastSuccess;
    if (lastSuccess >= 0) {
        Family(out, kLastSuccess, "When the last run that succeeded ended, seconds since the epoch.");
        Sample(out, kLastSuccess, "", Number(lastSuccess, 3));
    }
    return out.str();
}

bool LastSuccessInMetrics(const std::string& text, double& seconds) {
    std::istringstream lines(text);
    const std::string prefix = std::string(kLastSuccess) + ' ';
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const double value = std::strtod(line.c_str() + prefix.size(), &end);
        if (end == line.c_str() + prefix.size() || !(value >= 0)) return false;
        seconds = value;
        return true;
    }
    return false;
}

bool WriteMetrics(const RunReport& report, const std::string& path, std::string& error) {
    double previous = -1;
    std::string old;
    if (ReadWholeFile(path, old) && !LastSuccessInMetrics(old, previous)) previous = -1;
    return WriteTextInPlace(path, MetricsText(report, previous), error);
}
