#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/device/device_outcome.h"

// The JSON shapes of the tool: what an update child reports to the parent
// (one object a line on a pipe) and what --json prints.

nlohmann::json OutcomeToJson(const DeviceOutcome& outcome);
// Missing fields keep their defaults; an unknown result is Failed.
DeviceOutcome OutcomeFromJson(const nlohmann::json& event);

// {"event":"phase","phase":...}
nlohmann::json PhaseEvent(const char* phase);
// {"event":"progress","percent":..,"lines":..,"total_lines":..,"bytes":..,"total_bytes":..}
nlohmann::json ProgressEvent(int percent, unsigned lines, unsigned totalLines, unsigned bytes, unsigned totalBytes);

// {"event":"retry","attempt":2,"attempts":3,"reason":..,"delay_seconds":..}:
// the next try of a device, after the delay.
nlohmann::json RetryEvent(int attempt, int attempts, const std::string& reason, int delayMs);

// One object on one line of stdout, flushed.
void PrintJsonLine(const nlohmann::json& value);
// A whole document, indented, on stdout.
void PrintJsonDocument(const nlohmann::json& value);
