#include <net/if.h>

#include <cstdio>

#include "cli/commands.h"
#include "cli/device_search.h"
#include "cli/exit_codes.h"
#include "cli/json_events.h"

int RunDetect(const CliOptions& o) {
    if (!o.interfaceName.empty() && if_nametoindex(o.interfaceName.c_str()) == 0) {
        std::fprintf(stderr, "tqm530r: no network interface %s\n", o.interfaceName.c_str());
        return kExitUsage;
    }
    std::vector<FoundDevice> devices;
    if (!SearchMakerDevices(o.waitMs, o.interfaceName, devices)) {
        std::fprintf(stderr, "tqm530r: device search error (socket, port 1900 or own address)\n");
        return kExitSearchError;
    }
    if (o.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const FoundDevice& d : devices) list.push_back({{"entry", d.entry}, {"ip", d.ip}, {"mac", d.mac}});
        PrintJsonDocument({{"devices", list}});
    } else {
        for (const FoundDevice& d : devices) std::printf("%-32s  %-15s  %s\n", d.entry.c_str(), d.ip.c_str(), d.mac.c_str());
    }
    if (devices.empty() && !o.json) std::fprintf(stderr, "tqm530r: no TQM-530R device answered\n");
    return devices.empty() ? kExitFailed : kExitOk;
}
