#include "cli/report/run_report.h"

#include "cli/output/messages.h"
#include "cli/output/stored_json.h"
#include "cli/output/utc_time.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

void CloseSpan(DeviceReport& d, double at) {
    if (!d.phases.empty() && d.phases.back().end < at) d.phases.back().end = at;
}

void OpenSpan(DeviceReport& d, DevicePhase phase, double at) {
    CloseSpan(d, at);
    if (!d.phases.empty() && d.phases.back().phase == phase) return;  // "connect" then "login"
    d.phases.push_back({phase, at, at});
}

// The record's phases, moved to the run's clock; empty when it has none that read.
std::vector<PhaseSpan> PhasesOfRecord(const nlohmann::json& record, double deviceStart) {
    std::vector<PhaseSpan> spans;
    const auto it = record.find("phases");
    if (it == record.end() || !it->is_array()) return spans;
    for (const nlohmann::json& p : *it) {
        PhaseSpan s;
        if (!p.is_object() || !TimelinePhaseFromName(FieldText(p, "phase"), s.phase)) continue;
        s.start = deviceStart + FieldNumber(p, "start", 0);
        s.end = deviceStart + FieldNumber(p, "end", 0);
        if (s.end >= s.start) spans.push_back(s);
    }
    return spans;
}

bool DeviceOfRecord(const nlohmann::json& r, DeviceReport& d, double& endTime) {
    if (!r.is_object() || FieldText(r, "command") != "update" || !ParseUtcText(FieldText(r, "time"), endTime))
        return false;
    d.label = FieldText(r, "device");
    d.address = FieldText(r, "ip");
    if (d.label.empty()) d.label = d.address;
    d.mac = FieldText(r, "mac");
    d.name = FieldText(r, "name");
    d.before = FieldText(r, "old_version");
    d.after = FieldText(r, "new_version");
    d.result = ResultNamed(FieldText(r, "result"));
    d.reason = FieldText(r, "detail");
    d.attempts = FieldInt(r, "attempts", 1);
    d.wave = FieldInt(r, "wave", 0);
    const double seconds = std::max(0.0, FieldNumber(r, "seconds", 0));
    d.start = endTime - seconds;  // on the epoch's clock until the run's start is known
    d.end = endTime;
    d.phases = PhasesOfRecord(r, d.start);
    if (d.phases.empty()) d.phases.push_back({DevicePhase::Whole, d.start, d.end});
    return true;
}

void MoveToRunClock(DeviceReport& d, double runStart) {
    d.start -= runStart;
    d.end -= runStart;
    for (PhaseSpan& s : d.phases) {
        s.start -= runStart;
        s.end -= runStart;
    }
}

// The image of the latest record, with a word when the records name several.
void ImageOfRecords(const std::vector<nlohmann::json>& used, RunReport& report) {
    std::set<std::string> sums;
    for (const nlohmann::json& r : used) sums.insert(FieldText(r, "image_sha256"));
    const nlohmann::json& last = used.back();
    report.imageVersion = FieldText(last, "image_version");
    report.imageSha256 = FieldText(last, "image_sha256");
    report.imageSource = FieldText(last, "image");
    if (sums.size() > 1)
        report.note = Formatted(N_("%zu different images in these records; the latest is shown"), sums.size());
}

}  // namespace

bool TimelinePhaseFromName(const std::string& name, DevicePhase& phase) {
    DevicePhase named;
    if (!PhaseFromName(name, named) || !TraitsOf(named).drawn) return false;
    phase = TraitsOf(named).timeline;
    return true;
}

std::vector<const DeviceReport*> DevicesFailuresFirst(const RunReport& report) {
    std::vector<const DeviceReport*> order;
    for (const DeviceReport& d : report.devices) order.push_back(&d);
    std::stable_sort(order.begin(), order.end(), [](const DeviceReport* a, const DeviceReport* b) {
        const int ra = TraitsOf(a->result).rank, rb = TraitsOf(b->result).rank;
        if (ra != rb) return ra < rb;
        if (a->wave != b->wave) return a->wave < b->wave;
        const bool aStarted = a->start >= 0, bStarted = b->start >= 0;
        if (aStarted != bStarted) return aStarted;
        return aStarted && a->start < b->start;
    });
    return order;
}

void RecordDeviceStart(DeviceReport& device, double at) {
    device.start = at;
    device.end = at;
}

void RecordDeviceEvent(DeviceReport& device, const nlohmann::json& event, double at) {
    const std::string kind = FieldText(event, "event");
    if (kind == "result") {
        // A device reported without having started ("not started") keeps no time.
        if (device.start >= 0) {
            CloseSpan(device, at);
            device.end = std::max(device.end, at);
        }
        device.result = ResultNamed(FieldText(event, "result"));
        device.reason = FieldText(event, "detail");
        if (!FieldText(event, "ip").empty()) device.address = FieldText(event, "ip");
        if (!FieldText(event, "mac").empty()) device.mac = FieldText(event, "mac");
        if (!FieldText(event, "name").empty()) device.name = FieldText(event, "name");
        device.before = FieldText(event, "old_version");
        device.after = FieldText(event, "new_version");
        device.attempts = FieldInt(event, "attempts", device.attempts);
        return;
    }
    if (device.start < 0) RecordDeviceStart(device, at);
    device.end = std::max(device.end, at);
    if (kind == "soaked") {  // read again after the soak and still sound
        CloseSpan(device, at);
        return;
    }
    DevicePhase phase;
    if (kind == "phase" && TimelinePhaseFromName(FieldText(event, "phase"), phase)) {
        OpenSpan(device, phase, at);
    } else if (kind == "retry") {
        OpenSpan(device, DevicePhase::Retry, at);
        device.attempts = FieldInt(event, "attempt", device.attempts);
    }
}

nlohmann::json PhasesToJson(const DeviceReport& device) {
    nlohmann::json spans = nlohmann::json::array();
    for (const PhaseSpan& s : device.phases)
        spans.push_back(
            {{"phase", PhaseName(s.phase)}, {"start", s.start - device.start}, {"end", s.end - device.start}});
    return spans;
}

RunReport RunReportFromHistory(const std::vector<nlohmann::json>& records) {
    RunReport report;
    report.command = "history";
    std::vector<nlohmann::json> used;
    for (const nlohmann::json& r : records) {
        DeviceReport d;
        double end = 0;
        if (!DeviceOfRecord(r, d, end)) continue;
        report.devices.push_back(std::move(d));
        used.push_back(r);
    }
    if (used.empty()) return report;
    report.startTime = report.devices.front().start;
    report.endTime = report.devices.front().end;
    for (const DeviceReport& d : report.devices) {
        report.startTime = std::min(report.startTime, d.start);
        report.endTime = std::max(report.endTime, d.end);
    }
    for (DeviceReport& d : report.devices) MoveToRunClock(d, report.startTime);
    ImageOfRecords(used, report);
    report.host = FieldText(used.back(), "host");
    return report;
}
