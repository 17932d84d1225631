#include "cli/commands/command_detect.h"

#include <cstdio>

#include "cli/commands/common_options.h"
#include "cli/commands/exit_codes.h"
#include "cli/commands/targets_or_exit.h"
#include "cli/output/json_events.h"
#include "cli/output/terminal.h"

void AddDetectOptions(CLI::App& c, DetectOptions& o, MainSettings& main) {
    AddSearch(c, o.search);
    AddExpect(c, o.search, "");
    AddTrace(c, main);
    AddJson(c, o.json, "print {\"devices\":[{\"entry\",\"ip\",\"mac\"}]} (with --expect, also \"expected\")");
}

int RunDetect(const DetectOptions& o) {
    const int expect = o.search.expect;
    std::vector<FoundDevice> devices;
    if (const int rc = SearchOrExitCode(o.search, devices); rc >= 0) return rc;
    if (o.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const FoundDevice& d : devices) list.push_back({{"entry", d.entry}, {"ip", d.ip}, {"mac", d.mac}});
        nlohmann::json document = {{"devices", list}};
        if (expect > 0) document["expected"] = expect;
        PrintJsonDocument(document);
    } else {
        for (const FoundDevice& d : devices)
            PrintTo(stdout, "%-32s  %-15s  %s\n", d.entry.c_str(), d.ip.c_str(), d.mac.c_str());
    }
    if (static_cast<int>(devices.size()) < expect) {
        PrintTo(stderr, "tqm530r: %s\n", FewerThanExpectedText(devices, expect).c_str());
        return kExitFailed;
    }
    if (devices.empty() && !o.json) PrintTo(stderr, "tqm530r: no TQM-530R device answered\n");
    return devices.empty() ? kExitFailed : kExitOk;
}
