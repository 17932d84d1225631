#include <cstdio>

#include "cli/commands/commands.h"
#include "cli/commands/exit_codes.h"
#include "cli/output/history.h"
#include "cli/output/json_events.h"
#include "cli/output/terminal.h"

namespace {

std::string Text(const nlohmann::json& r, const char* key) {
    const auto it = r.find(key);
    if (it == r.end() || it->is_null()) return "-";
    if (it->is_string()) return it->get<std::string>().empty() ? "-" : it->get<std::string>();
    return it->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

int RunHistory(const CliOptions& o) {
    const std::string path = HistoryPath(o.historyPath);
    std::vector<nlohmann::json> records;
    std::string error;
    if (!ReadHistory(path, records, error)) {
        PrintTo(stderr, "tqm530r: %s\n", error.c_str());
        return kExitFailed;
    }
    if (o.json) {
        for (const nlohmann::json& r : records) PrintJsonLine(r);
        return kExitOk;
    }
    if (records.empty()) {
        PrintTo(stderr, "tqm530r: no history yet in %s\n", path.c_str());
        return kExitOk;
    }
    PrintTo(stdout, "%-20s  %-7s  %-21s  %-17s  %-8s  %-8s  %-11s  %s\n", "TIME", "COMMAND", "DEVICE", "MAC", "BEFORE",
            "AFTER", "RESULT", "DETAIL");
    for (const nlohmann::json& r : records) {
        std::string after = Text(r, "new_version");
        if (r.value("command", "") == "mac") after = "mac " + Text(r, "mac_tail");
        PrintTo(stdout, "%-20s  %-7s  %-21s  %-17s  %-8s  %-8s  %-11s  %s\n", Text(r, "time").c_str(),
                Text(r, "command").c_str(), Text(r, "device").c_str(), Text(r, "mac").c_str(),
                Text(r, "old_version").c_str(), after.c_str(), Text(r, "result").c_str(), Text(r, "detail").c_str());
    }
    return kExitOk;
}
