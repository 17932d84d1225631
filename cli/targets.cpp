#include "cli/targets.h"

#include <cstdio>

#include "cli/device_search.h"
#include "cli/exit_codes.h"

namespace {

int FromSearch(const CliOptions& o, std::vector<DeviceTarget>& targets) {
    std::vector<FoundDevice> devices;
    if (int failed = SearchForCommand(o.waitMs, o.interfaceName, devices)) return failed;
    if (devices.empty()) {
        std::fprintf(stderr, "tqm530r: no TQM-530R device answered the search\n");
        return kExitFailed;
    }
    for (const FoundDevice& d : devices) {
        DeviceTarget t;
        t.device.host = d.ip;
        t.device.port = static_cast<unsigned short>(o.port);
        // Without a resolved MAC there is nothing to check again.
        if (!IsUnresolvedMac(d.mac)) t.searchMac = d.mac;
        targets.push_back(t);
    }
    return -1;
}

}  // namespace

int CollectTargets(const CliOptions& o, std::vector<DeviceTarget>& targets) {
    targets.clear();
    if (o.all) return FromSearch(o, targets);
    if (o.hosts.empty()) {
        std::fprintf(stderr, "tqm530r: %s needs HOST... or --all (see tqm530r %s --help)\n", o.command.c_str(),
                     o.command.c_str());
        return kExitUsage;
    }
    for (const std::string& text : o.hosts) {
        DeviceTarget t;
        std::string error;
        if (!ParseDeviceAddress(text, static_cast<unsigned short>(o.port), t.device, error)) {
            std::fprintf(stderr, "tqm530r: %s\n", error.c_str());
            return kExitUsage;
        }
        targets.push_back(t);
    }
    return -1;
}

int SingleTarget(const CliOptions& o, DeviceAddress& device) {
    std::string error;
    if (ParseDeviceAddress(o.hosts.at(0), static_cast<unsigned short>(o.port), device, error)) return -1;
    std::fprintf(stderr, "tqm530r: %s\n", error.c_str());
    return kExitUsage;
}
