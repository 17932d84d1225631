#include "cli/report/run_recorder.h"

#include <cstdio>
#include <sstream>

#include "cli/output/terminal.h"
#include "cli/platform/host_name.h"
#include "cli/platform/ui_language.h"
#include "cli/report/html_report.h"
#include "cli/report/metrics.h"
#include "cli/report/text_in_place.h"

namespace {

double SecondsSinceEpoch() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::string ShellQuoted(const std::string& word) {
    if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                                "-_=.,:/@+%") == std::string::npos)
        return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

std::string TypedCommandLine(const std::vector<std::string>& arguments) {
    std::string line = "tqm530r";
    for (const std::string& a : arguments) line += " " + ShellQuoted(a);
    return line;
}

std::string ExitNote(int exitCode) {
    switch (exitCode) {
    case 130: return N_("interrupted by Ctrl-C (SIGINT)");
    case 143: return N_("interrupted by SIGTERM");
    case 129: return N_("interrupted: the terminal closed (SIGHUP)");
    default: return "";
    }
}

bool WriteReportPage(const RunReport& report, const std::string& path, std::string& error) {
    std::ostringstream page;
    WriteHtmlReport(report, page);
    return WriteTextInPlace(path, page.str(), error);
}

RunRecorder::RunRecorder(const ReportFiles& o, const ImageReport& image, const std::vector<DeviceTarget>& targets)
    : reportPath_(o.reportPath), metricsPath_(o.metricsPath), started_(std::chrono::steady_clock::now()) {
    report_.imageVersion = image.version;
    report_.imageSha256 = image.sha256;
    report_.imageSource = image.source;
    report_.startTime = SecondsSinceEpoch();
    report_.host = ThisHostName();
    report_.options = TypedCommandLine(o.arguments);
    for (const DeviceTarget& t : targets) {
        DeviceReport d;
        d.label = t.device.Label();
        d.address = t.device.host;
        d.mac = t.searchMac;
        d.name = t.name;
        report_.devices.push_back(d);
    }
}

double RunRecorder::Now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void RunRecorder::DeviceStarted(size_t i) { RecordDeviceStart(report_.devices[i], Now()); }

void RunRecorder::DeviceEvent(size_t i, const nlohmann::json& event) {
    RecordDeviceEvent(report_.devices[i], event, Now());
}

void RunRecorder::WavesPlanned(const std::vector<int>& sizes, const std::vector<int>& waveOf) {
    report_.waves = sizes;
    for (size_t i = 0; i < report_.devices.size() && i < waveOf.size(); ++i) report_.devices[i].wave = waveOf[i];
}

void RunRecorder::Unlisted(const std::vector<FoundDevice>& devices) {
    for (const FoundDevice& d : devices) report_.unlisted.emplace_back(d.ip, d.mac);
}

bool RunRecorder::Finish(int exitCode) {
    report_.endTime = report_.startTime + Now();
    report_.exitCode = exitCode;
    report_.note = ExitNote(exitCode);
    bool written = true;
    std::string error;
    if (!reportPath_.empty() && !WriteReportPage(report_, reportPath_, error)) {
        PrintTo(stderr, "tqm530r: --report: %s\n", error.c_str());
        written = false;
    }
    if (!metricsPath_.empty() && !WriteMetrics(report_, metricsPath_, error)) {
        PrintTo(stderr, "tqm530r: --metrics: %s\n", error.c_str());
        written = false;
    }
    return written;
}
