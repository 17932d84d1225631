#include "cli/report/run_report.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

struct PhaseName {
    ReportPhase phase;
    const char* name;
};
constexpr PhaseName kPhaseNames[] = {
    {ReportPhase::Connect, "connect"}, {ReportPhase::Transfer, "transfer"}, {ReportPhase::Check, "check"},
    {ReportPhase::Flash, "flash"},     {ReportPhase::Reset, "reset"},       {ReportPhase::Verify, "verify"},
    {ReportPhase::Soak, "soak"},       {ReportPhase::Wait, "wait"},         {ReportPhase::Whole, "whole"},
};

// Table order: what needs a look first.
constexpr const char* kRanked[] = {"failed",  "unverified",  "mac-changed", "interrupted", "busy",
                                   "refused", "not started", "updated",     "verified",    "skipped"};

// The UTF-8 sequence at text[i], its length; 0 when broken (overlong forms,
// surrogates and code points beyond U+10FFFF included).
size_t Utf8Length(const std::string& text, size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) return 1;
    size_t n = 0;
    unsigned long cp = 0, min = 0;
    if ((c & 0xE0) == 0xC0)
        n = 2, cp = c & 0x1F, min = 0x80;
    else if ((c & 0xF0) == 0xE0)
        n = 3, cp = c & 0x0F, min = 0x800;
    else if ((c & 0xF8) == 0xF0)
        n = 4, cp = c & 0x07, min = 0x10000;
    else
        return 0;
    if (i + n > text.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const unsigned char t = static_cast<unsigned char>(text[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

void CloseSpan(DeviceReport& d, double at) {
    if (!d.phases.empty() && d.phases.back().end < at) d.phases.back().end = at;
}

void OpenSpan(DeviceReport& d, ReportPhase phase, double at) {
    CloseSpan(d, at);
    if (!d.phases.empty() && d.phases.back().phase == phase) return;  // "connect" then "login"
    d.phases.push_back({phase, at, at});
}

std::string Text(const nlohmann::json& r, const char* key) {
    const auto it = r.find(key);
    return it != r.end() && it->is_string() ? it->get<std::string>() : std::string();
}

double Number(const nlohmann::json& r, const char* key, double otherwise) {
    const auto it = r.find(key);
    return it != r.end() && it->is_number() ? it->get<double>() : otherwise;
}

// The record's phases, moved to the run's clock; empty when it has none that read.
std::vector<PhaseSpan> PhasesOfRecord(const nlohmann::json& record, double deviceStart) {
    std::vector<PhaseSpan> spans;
    const auto it = record.find("phases");
    if (it == record.end() || !it->is_array()) return spans;
    for (const nlohmann::json& p : *it) {
        PhaseSpan s;
        if (!p.is_object() || !ReportPhaseFromName(Text(p, "phase"), s.phase)) continue;
        s.start = deviceStart + Number(p, "start", 0);
        s.end = deviceStart + Number(p, "end", 0);
        if (s.end >= s.start) spans.push_back(s);
    }
    return spans;
}

bool DeviceOfRecord(const nlohmann::json& r, DeviceReport& d, double& endTime) {
    if (!r.is_object() || Text(r, "command") != "update" || !ParseUtcText(Text(r, "time"), endTime)) return false;
    d.label = Text(r, "device");
    d.address = Text(r, "ip");
    if (d.label.empty()) d.label = d.address;
    d.mac = Text(r, "mac");
    d.before = Text(r, "old_version");
    d.after = Text(r, "new_version");
    d.result = Text(r, "result");
    d.reason = Text(r, "detail");
    d.attempts = static_cast<int>(Number(r, "attempts", 1));
    d.wave = static_cast<int>(Number(r, "wave", 0));
    const double seconds = std::max(0.0, Number(r, "seconds", 0));
    d.start = endTime - seconds;  // on the epoch's clock until the run's start is known
    d.end = endTime;
    d.phases = PhasesOfRecord(r, d.start);
    if (d.phases.empty()) d.phases.push_back({ReportPhase::Whole, d.start, d.end});
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
    for (const nlohmann::json& r : used) sums.insert(Text(r, "image_sha256"));
    const nlohmann::json& last = used.back();
    report.imageVersion = Text(last, "image_version");
    report.imageSha256 = Text(last, "image_sha256");
    report.imageSource = Text(last, "image");
    if (sums.size() > 1)
        report.note = std::to_string(sums.size()) + " different images in these records; the latest is shown";
}

}  // namespace

const char* ReportPhaseName(ReportPhase phase) {
    for (const PhaseName& p : kPhaseNames)
        if (p.phase == phase) return p.name;
    return "whole";
}

bool ReportPhaseFromName(const std::string& name, ReportPhase& phase) {
    if (name == "login") {
        phase = ReportPhase::Connect;
        return true;
    }
    for (const PhaseName& p : kPhaseNames) {
        if (name != p.name) continue;
        phase = p.phase;
        return true;
    }
    return false;
}

bool ResultIsSuccessName(const std::string& result) {
    return result == "verified" || result == "updated" || result == "skipped";
}

int ResultRank(const std::string& result) {
    constexpr int count = static_cast<int>(sizeof kRanked / sizeof kRanked[0]);
    for (int i = 0; i < count; ++i)
        if (result == kRanked[i]) return i;
    // Unknown words are not taken for success: they sort before the successes.
    return ResultIsSuccessName(result) ? count : count - 4;
}

std::vector<const DeviceReport*> DevicesFailuresFirst(const RunReport& report) {
    std::vector<const DeviceReport*> order;
    for (const DeviceReport& d : report.devices) order.push_back(&d);
    std::stable_sort(order.begin(), order.end(), [](const DeviceReport* a, const DeviceReport* b) {
        const int ra = ResultRank(a->result), rb = ResultRank(b->result);
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
    const std::string kind = Text(event, "event");
    if (kind == "result") {
        // A device reported without having started ("not started") keeps no time.
        if (device.start >= 0) {
            CloseSpan(device, at);
            device.end = std::max(device.end, at);
        }
        device.result = Text(event, "result");
        device.reason = Text(event, "detail");
        if (!Text(event, "ip").empty()) device.address = Text(event, "ip");
        if (!Text(event, "mac").empty()) device.mac = Text(event, "mac");
        device.before = Text(event, "old_version");
        device.after = Text(event, "new_version");
        device.attempts = static_cast<int>(Number(event, "attempts", device.attempts));
        return;
    }
    if (device.start < 0) RecordDeviceStart(device, at);
    device.end = std::max(device.end, at);
    if (kind == "soaked") {  // read again after the soak and still sound
        CloseSpan(device, at);
        return;
    }
    ReportPhase phase;
    if (kind == "phase" && ReportPhaseFromName(Text(event, "phase"), phase)) {
        OpenSpan(device, phase, at);
    } else if (kind == "retry") {
        OpenSpan(device, ReportPhase::Wait, at);
        device.attempts = static_cast<int>(Number(event, "attempt", device.attempts));
    }
}

nlohmann::json PhasesToJson(const DeviceReport& device) {
    nlohmann::json spans = nlohmann::json::array();
    for (const PhaseSpan& s : device.phases)
        spans.push_back(
            {{"phase", ReportPhaseName(s.phase)}, {"start", s.start - device.start}, {"end", s.end - device.start}});
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
    report.host = Text(used.back(), "host");
    return report;
}

bool ParseUtcText(const std::string& text, double& seconds) {
    int year, month, day, hour, minute, consumed = 0;
    double second;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%lf%n", &year, &month, &day, &hour, &minute, &second,
                    &consumed) != 6)
        return false;
    if (text.compare(static_cast<size_t>(consumed), std::string::npos, "Z") != 0) return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second < 0 || second >= 61)
        return false;
    // Days since 1970-01-01 of a proleptic Gregorian date.
    const int y = year - (month <= 2);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(y - era * 400);
    const unsigned dayOfYear = (153 * static_cast<unsigned>(month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long long days = static_cast<long long>(era) * 146097 + dayOfEra - 719468;
    seconds = static_cast<double>(days) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

std::string ValidUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        out.append(text, i, n);
        i += n;
    }
    return out;
}
