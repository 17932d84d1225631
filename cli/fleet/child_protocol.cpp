#include "cli/fleet/child_protocol.h"

#include <cctype>
#include <sstream>

#include "cli/fleet/subprocess.h"
#include "cli/output/json_events.h"
#include "cli/output/stored_json.h"

namespace {

bool SmallNumber(const std::string& text) {
    return !text.empty() && text.size() <= 9 && text.find_first_not_of("0123456789") == std::string::npos;
}

bool PlainByte(unsigned char c) { return std::isalnum(c) || c == '-' || c == '_' || c == '.'; }

// The name as ASCII without commas: each other byte as %XX.
std::string PercentEncoded(const std::string& text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (PlainByte(c)) {
            out += static_cast<char>(c);
            continue;
        }
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

bool PercentDecoded(const std::string& text, std::string& out) {
    out.clear();
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '%') {
            out += text[k];
            continue;
        }
        const std::string hex = text.substr(k + 1, 2);
        if (hex.size() != 2 || hex.find_first_not_of("0123456789ABCDEF") != std::string::npos) return false;
        out += static_cast<char>(std::stoi(hex, nullptr, 16));
        k += 2;
    }
    return true;
}

}  // namespace

std::vector<std::string> JobArguments(const UpdateJobTarget& job, const std::vector<std::string>& parentArguments) {
    const DeviceTarget& t = job.target;
    std::vector<std::string> arguments{"--job", std::to_string(job.index) + "," + t.device.host + "," +
                                                    std::to_string(t.device.port) + "," + t.searchMac + "," +
                                                    job.imageSha256 + "," + std::to_string(job.wave) + "," +
                                                    PercentEncoded(t.name)};
    arguments.insert(arguments.end(), parentArguments.begin(), parentArguments.end());
    return arguments;
}

bool ParseJobArgument(const std::string& text, UpdateJobTarget& job) {
    std::vector<std::string> fields;
    std::istringstream in(text);
    for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
    if (!text.empty() && text.back() == ',') fields.emplace_back();
    if (fields.size() != 7 || fields[1].empty()) return false;
    if (!PercentDecoded(fields[6], job.target.name)) return false;
    if (!SmallNumber(fields[0]) || !SmallNumber(fields[5])) return false;
    if (fields[4].size() != 64 || fields[4].find_first_not_of("0123456789abcdef") != std::string::npos) return false;
    job.index = std::stoul(fields[0]);
    job.wave = std::stoi(fields[5]);
    job.target.device.host = fields[1];
    job.target.searchMac = fields[3];
    job.imageSha256 = fields[4];
    return ReadPort(fields[2], job.target.device.port);
}

std::string ImageMismatch(const UpdateJobTarget& job, const std::string& imageSha256) {
    if (imageSha256 == job.imageSha256) return {};
    return "the image changed after it was confirmed (SHA-256 " + imageSha256.substr(0, 12) + "..., confirmed " +
           job.imageSha256.substr(0, 12) + "...); nothing sent";
}

nlohmann::json PhaseEvent(DevicePhase phase) { return {{"event", "phase"}, {"phase", PhaseName(phase)}}; }

nlohmann::json ProgressEvent(int percent, unsigned lines, unsigned totalLines, unsigned bytes, unsigned totalBytes) {
    return {{"event", "progress"},       {"percent", percent}, {"lines", lines},
            {"total_lines", totalLines}, {"bytes", bytes},     {"total_bytes", totalBytes}};
}

nlohmann::json RetryEvent(int attempt, int attempts, const std::string& reason, int delayMs) {
    return {{"event", "retry"},
            {"attempt", attempt},
            {"attempts", attempts},
            {"reason", reason},
            {"delay_seconds", delayMs / 1000.0}};
}

DeviceOutcome OutcomeFromJson(const nlohmann::json& e) {
    DeviceOutcome o;
    if (!ResultFromName(FieldText(e, "result"), o.result)) o.result = DeviceResult::Failed;
    o.detail = FieldText(e, "detail");
    o.name = FieldText(e, "name");
    o.ip = FieldText(e, "ip");
    o.mac = FieldText(e, "mac");
    o.oldVersion = FieldText(e, "old_version");
    o.newVersion = FieldText(e, "new_version");
    o.seconds = FieldNumber(e, "seconds", 0);
    o.lines = FieldUnsigned(e, "lines", 0);
    o.attempts = FieldInt(e, "attempts", 1);
    return o;
}

void SendToParent(const nlohmann::json& event) { WriteToParent(JsonText(event) + "\n"); }

std::string DamagedEventsNote(size_t damaged, const std::string& device) {
    return DamagedLinesNote(damaged, "the events of the process for " + device);
}
