#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/device/device_outcome.h"
#include "cli/device/device_session.h"

// Everything the parent and an update child say to each other.
//
// Down, once: the child's arguments are "--job INDEX,HOST,PORT,MAC,SHA256,WAVE,NAME"
// and then the parent's own arguments, which the child reads again for every
// other setting. MAC is the search's (--all), else empty; SHA256 is the image
// the operator confirmed, which the child must find in what it read before it
// connects; WAVE is the device's wave in a rollout (0: none), for its record;
// NAME the inventory's name (empty: none), each byte but letters, digits and
// "-_." as %XX (upper-case), so that it holds no comma. Down, later: a request to stop
// (Subprocess::RequestStop).
//
// Up: one JSON object a line on the child's standard output: "phase",
// "progress" and "retry" events as the update goes, and one "result" last.

struct UpdateJobTarget {
    size_t index = 0;
    DeviceTarget target;
    std::string imageSha256;  // lower-case hex, as Sha256Hex gives it
    int wave = 0;
};

// The child's arguments: the job, then the parent's arguments as given.
std::vector<std::string> JobArguments(const UpdateJobTarget& job, const std::vector<std::string>& parentArguments);

// Reads the text after "--job". False when it is not one.
bool ParseJobArgument(const std::string& text, UpdateJobTarget& job);

// Empty when the child's image is the confirmed one; else the one line that
// refuses it.
std::string ImageMismatch(const UpdateJobTarget& job, const std::string& imageSha256);

// {"event":"phase","phase":...}
nlohmann::json PhaseEvent(DevicePhase phase);
// {"event":"progress","percent":..,"lines":..,"total_lines":..,"bytes":..,"total_bytes":..}
nlohmann::json ProgressEvent(int percent, unsigned lines, unsigned totalLines, unsigned bytes, unsigned totalBytes);
// {"event":"retry","attempt":2,"attempts":3,"reason":..,"delay_seconds":..}:
// the next try of a device, after the delay.
nlohmann::json RetryEvent(int attempt, int attempts, const std::string& reason, int delayMs);
// The "result" event back into an outcome (the event is OutcomeToJson's, in
// output/json_events.h). Missing fields and fields of another type keep their
// defaults; an unknown
// result is Failed.
DeviceOutcome OutcomeFromJson(const nlohmann::json& event);

// In the child: one event to the parent. The job goes on when the parent is
// gone (a device must not be left mid-flash).
void SendToParent(const nlohmann::json& event);

// In the parent: the child's output is read as ObjectLines (stored_json.h),
// each field with its fallback; a damaged line is skipped and counted, and
// this is the one note of them: "tqm530r: skipped 1 damaged line(s) in the
// events of the process for 10.0.0.5:23".
std::string DamagedEventsNote(size_t damaged, const std::string& device);
