#include "cli/output/json_events.h"

#include <cstdio>

nlohmann::json OutcomeToJson(const DeviceOutcome& o) {
    return {{"event", "result"},
            {"result", ResultName(o.result)},
            {"ok", ResultIsSuccess(o.result)},
            {"detail", o.detail},
            {"ip", o.ip},
            {"mac", o.mac},
            {"old_version", o.oldVersion},
            {"new_version", o.newVersion},
            {"seconds", o.seconds},
            {"lines", o.lines},
            {"attempts", o.attempts}};
}

DeviceOutcome OutcomeFromJson(const nlohmann::json& e) {
    DeviceOutcome o;
    if (!ResultFromName(e.value("result", ""), o.result)) o.result = DeviceResult::Failed;
    o.detail = e.value("detail", "");
    o.ip = e.value("ip", "");
    o.mac = e.value("mac", "");
    o.oldVersion = e.value("old_version", "");
    o.newVersion = e.value("new_version", "");
    o.seconds = e.value("seconds", 0.0);
    o.lines = e.value("lines", 0u);
    o.attempts = e.value("attempts", 1);
    return o;
}

nlohmann::json PhaseEvent(const char* phase) { return {{"event", "phase"}, {"phase", phase}}; }

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

void PrintJsonLine(const nlohmann::json& value) {
    std::fputs((value.dump() + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void PrintJsonDocument(const nlohmann::json& value) {
    std::fputs((value.dump(2) + "\n").c_str(), stdout);
    std::fflush(stdout);
}
