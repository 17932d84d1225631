#include "cli/device/target_hosts.h"

bool TargetsFromHosts(const std::vector<std::string>& hosts, unsigned short port, std::vector<DeviceTarget>& targets,
                      std::string& reason) {
    targets.clear();
    for (const std::string& text : hosts) {
        DeviceTarget t;
        if (!ParseDeviceAddress(text, port, t.device, reason)) return false;
        targets.push_back(t);
    }
    return true;
}
