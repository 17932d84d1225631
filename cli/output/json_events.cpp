#include "cli/output/json_events.h"

#include <cstdio>

void PrintJsonLine(const nlohmann::json& value) {
    std::fputs((value.dump() + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void PrintJsonDocument(const nlohmann::json& value) {
    std::fputs((value.dump(2) + "\n").c_str(), stdout);
    std::fflush(stdout);
}
