#include "cli/output/json_events.h"
#include "cli/output/terminal.h"

#include <cstdio>

void PrintJsonLine(const nlohmann::json& value) {
    WriteText(stdout, value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    std::fflush(stdout);
}

void PrintJsonDocument(const nlohmann::json& value) {
    WriteText(stdout, value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    std::fflush(stdout);
}
