#include <cstdio>

#include "cli/commands/commands.h"
#include "cli/commands/exit_codes.h"
#include "cli/commands/targets_or_exit.h"
#include "cli/output/json_events.h"
#include "cli/output/terminal.h"

int RunDetect(const CliOptions& o) {
    std::vector<FoundDevice> devices;
    if (const int rc = SearchOrExitCode(SearchFrom(o), devices); rc >= 0) return rc;
    if (o.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const FoundDevice& d : devices) list.push_back({{"entry", d.entry}, {"ip", d.ip}, {"mac", d.mac}});
        nlohmann::json document = {{"devices", list}};
        if (o.expect > 0) document["expected"] = o.expect;
        PrintJsonDocument(document);
    } else {
        for (const FoundDevice& d : devices)
            PrintTo(stdout, "%-32s  %-15s  %s\n", d.entry.c_str(), d.ip.c_str(), d.mac.c_str());
    }
    if (static_cast<int>(devices.size()) < o.expect) {
        PrintTo(stderr, "tqm530r: %s\n", FewerThanExpectedText(devices, o.expect).c_str());
        return kExitFailed;
    }
    if (devices.empty() && !o.json) PrintTo(stderr, "tqm530r: no TQM-530R device answered\n");
    return devices.empty() ? kExitFailed : kExitOk;
}
