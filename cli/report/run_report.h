#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "cli/device/device_outcome.h"
#include "cli/device/device_phase.h"

// What a run's report page and metrics are made from: the image, when and
// where the run took place, how it was asked for, its waves, and for each
// device what it was, what it became and where its time went. Times are
// seconds: the run's own as seconds since 1970-01-01 UTC, a device's and its
// phases' as seconds from the run's start.

// The step of a device's update as the timeline draws it (device_phase.h):
// false for a name that is no drawn phase. "login" is drawn as "connect".
bool TimelinePhaseFromName(const std::string& name, DevicePhase& phase);

struct PhaseSpan {
    DevicePhase phase = DevicePhase::Whole;
    double start = 0;
    double end = 0;
};

struct DeviceReport {
    std::string label;    // as the operator named it (HOST:PORT), or the address
    std::string name;     // the inventory's name; empty without one
    std::string address;  // the IP address reached
    std::string mac;
    std::string before;  // version before, empty when not read
    std::string after;   // version after, empty when not read
    DeviceResult result = DeviceResult::Failed;
    std::string reason;  // one line: why, or what was done
    int attempts = 0;
    int wave = 0;       // 1-based; 0 when the run had no waves
    double start = -1;  // seconds from the run's start; negative: never started
    double end = -1;
    std::vector<PhaseSpan> phases;  // in order, each ending where the next begins
};

struct RunReport {
    std::string command = "update";  // or "history" for a report of the history file
    std::string imageVersion;
    std::string imageSha256;
    std::string imageSource = "carried";  // or the --image path
    double startTime = 0;                 // seconds since 1970-01-01 UTC
    double endTime = 0;
    std::string host;        // the machine the run was made from
    std::string options;     // the command line as typed
    std::vector<int> waves;  // devices per wave, in order; empty: one wave
    std::vector<DeviceReport> devices;
    // Devices that answered but are not in the inventory, never touched: address and MAC.
    std::vector<std::pair<std::string, std::string>> unlisted;
    int exitCode = -1;  // -1: not known (a report of the history)
    std::string note;   // e.g. "interrupted by SIGTERM"; empty when none
};

// The devices in the table's order: by rank, then by wave and start, else as listed.
std::vector<const DeviceReport*> DevicesFailuresFirst(const RunReport& report);

// One device's part of a run, fed from the events of its process as they
// arrive (at: seconds from the run's start).
void RecordDeviceStart(DeviceReport& device, double at);
// {"event":"phase"} opens a span, {"event":"retry"} a wait, {"event":"result"}
// closes the last span and fills result, reason, versions, MAC, attempts.
void RecordDeviceEvent(DeviceReport& device, const nlohmann::json& event, double at);

// [{"phase":"transfer","start":0.4,"end":3.1},...], offsets from the device's
// start: for its history record, so that history --report can colour it too.
nlohmann::json PhasesToJson(const DeviceReport& device);

// A report of update records of the history file (other commands' records
// are left out): each device from its start (time minus seconds) to its end
// (time), coloured by its "phases" when the record has them, else one bar.
RunReport RunReportFromHistory(const std::vector<nlohmann::json>& records);
