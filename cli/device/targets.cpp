#include "cli/device/targets.h"

#include <cstdio>

#include "cli/commands/exit_codes.h"
#include "cli/device/device_search.h"
#include "cli/output/terminal.h"
#include "console/device_access.h"

namespace {

int FromSearch(const CliOptions& o, std::vector<DeviceTarget>& targets) {
    std::vector<FoundDevice> devices;
    if (int failed = SearchForCommand(o.waitMs, o.interfaceName, devices)) return failed;
    if (static_cast<int>(devices.size()) < o.expect) {
        PrintTo(stderr, "%s; nothing done\n", FewerThanExpectedText(devices, o.expect).c_str());
        return kExitFailed;
    }
    if (devices.empty()) {
        PrintTo(stderr, "tqm530r: no TQM-530R device answered the search\n");
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
    const int rc = TargetsFromHosts(o, targets);
    if (rc >= 0 || !o.all) return rc;
    return FromSearch(o, targets);
}
