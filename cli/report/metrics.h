#pragma once

#include <string>

#include "cli/report/run_report.h"

// --metrics FILE: the run in the Prometheus text exposition format, for the
// textfile collectors of node_exporter and windows_exporter (metric names
// tqm530r_...): devices by result, each device's duration, the image as an
// info metric's labels, the run's start, end, duration and exit code, and the
// time of the last successful run.

// The file's text. previousLastSuccess (seconds since 1970-01-01 UTC; negative
// when none) is kept as tqm530r_last_success_timestamp_seconds when this run
// did not succeed.
std::string MetricsText(const RunReport& report, double previousLastSuccess);

// The tqm530r_last_success_timestamp_seconds of an earlier file's text;
// false when it has none.
bool LastSuccessInMetrics(const std::string& text, double& seconds);

// A run succeeded when it ended with exit code 0 (for a report without an exit
// code: when it had devices and every one succeeded).
bool RunSucceeded(const RunReport& report);

// A label value: valid UTF-8 with \ " and line feed escaped.
std::string MetricLabelValue(const std::string& text);

// Writes MetricsText to a new file beside path and renames it into place, so
// a collector never reads half a file; the last success of the file it
// replaces is carried over. False with a reason; path is then untouched.
bool WriteMetrics(const RunReport& report, const std::string& path, std::string& error);
