#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/device/device_search.h"
#include "cli/device/device_session.h"
#include "cli/fleet/update_batch.h"
#include "cli/image/image_check.h"
#include "cli/report/run_report.h"

// The files a run is written to (empty: none) and the command line as typed,
// which they name.
struct ReportFiles {
    std::string reportPath;   // --report: the page
    std::string metricsPath;  // --metrics: the Prometheus text
    std::vector<std::string> arguments;
};

// The parent's record of an update run for --report and --metrics: it sees
// every device's start and event as the batch gets them (the parent-made
// results of devices never started or dead included), and writes both files
// at the run's end, whatever the end was.
class RunRecorder : public BatchObserver {
public:
    RunRecorder(const ReportFiles& o, const ImageReport& image, const std::vector<DeviceTarget>& targets);

    void DeviceStarted(size_t i) override;
    void DeviceEvent(size_t i, const nlohmann::json& event) override;
    void WavesPlanned(const std::vector<int>& sizes, const std::vector<int>& waveOf) override;
    // The devices that answered but are not in the inventory (never touched).
    void Unlisted(const std::vector<FoundDevice>& devices);

    // Ends the record with the run's exit code and writes the files asked
    // for. False when one could not be written (its reason on stderr).
    bool Finish(int exitCode);

    const RunReport& Report() const { return report_; }

private:
    double Now() const;

    std::string reportPath_;
    std::string metricsPath_;
    RunReport report_;
    std::chrono::steady_clock::time_point started_;
};

// The note a report carries for an exit code: "interrupted by SIGTERM", ...;
// empty for an ordinary end.
std::string ExitNote(int exitCode);

// The page of report to path, put in place in one step. False with a reason.
bool WriteReportPage(const RunReport& report, const std::string& path, std::string& error);

// "tqm530r update --yes 10.0.0.5 ...": the command line as typed, each
// argument quoted where the shell would need it.
std::string TypedCommandLine(const std::vector<std::string>& arguments);
