#include "cli/output/json_events.h"
#include "cli/output/terminal.h"

#include <cstdio>

std::string JsonText(const nlohmann::json& value, int indent) {
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

void PrintJsonLine(const nlohmann::json& value) {
    WriteText(stdout, JsonText(value) + "\n");
    std::fflush(stdout);
}

void PrintJsonDocument(const nlohmann::json& value) {
    WriteText(stdout, JsonText(value, 2) + "\n");
    std::fflush(stdout);
}

nlohmann::json OutcomeToJson(const DeviceOutcome& o) {
    nlohmann::json event = {{"event", "result"},
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
    if (!o.name.empty()) event["name"] = o.name;
    return event;
}
