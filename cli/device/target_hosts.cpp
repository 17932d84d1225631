#include "cli/device/target_hosts.h"

#include <cstdio>

#include "cli/commands/exit_codes.h"
#include "cli/output/terminal.h"

namespace {

int ReadHost(const CliOptions& o, const std::string& text, DeviceAddress& device) {
    std::string error;
    if (ParseDeviceAddress(text, static_cast<unsigned short>(o.port), device, error)) return -1;
    PrintTo(stderr, "tqm530r: %s\n", error.c_str());
    return kExitUsage;
}

}  // namespace

int TargetsFromHosts(const CliOptions& o, std::vector<DeviceTarget>& targets) {
    targets.clear();
    if (o.all) return -1;
    if (o.hosts.empty()) {
        PrintTo(stderr, "tqm530r: %s needs HOST... or --all (see tqm530r %s --help)\n", o.command.c_str(),
                o.command.c_str());
        return kExitUsage;
    }
    for (const std::string& text : o.hosts) {
        DeviceTarget t;
        if (const int rc = ReadHost(o, text, t.device); rc >= 0) return rc;
        targets.push_back(t);
    }
    return -1;
}

int SingleTarget(const CliOptions& o, DeviceAddress& device) {
    if (o.hosts.size() == 1) return ReadHost(o, o.hosts.front(), device);
    PrintTo(stderr, "tqm530r: %s needs exactly one HOST (see tqm530r %s --help)\n", o.command.c_str(),
            o.command.c_str());
    return kExitUsage;
}
