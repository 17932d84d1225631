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
