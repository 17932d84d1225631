#include "cli/device/targets.h"

#include "console/device_access.h"
#include "net/adapters.h"

namespace {

TargetsProblem FromSearch(const SearchSettings& search, unsigned short port, std::vector<DeviceTarget>& targets,
                          std::string& reason) {
    std::vector<FoundDevice> devices;
    if (const TargetsProblem failed = SearchForCommand(search, devices, reason); failed != TargetsProblem::None)
        return failed;
    if (static_cast<int>(devices.size()) < search.expect) {
        reason = FewerThanExpectedText(devices, search.expect) + "; nothing done";
        return TargetsProblem::FewerThanExpected;
    }
    if (devices.empty()) {
        reason = "no TQM-530R device answered the search";
        return TargetsProblem::NoneAnswered;
    }
    for (const FoundDevice& d : devices) {
        DeviceTarget t;
        t.device.host = d.ip;
        t.device.port = port;
        // Without a resolved MAC there is nothing to check again.
        if (!IsUnresolvedMac(d.mac)) t.searchMac = d.mac;
        targets.push_back(t);
    }
    return TargetsProblem::None;
}

}  // namespace

TargetsProblem SearchForCommand(const SearchSettings& search, std::vector<FoundDevice>& devices, std::string& reason) {
    const std::string& interfaceName = search.interfaceName;
    if (!interfaceName.empty() && !NetAdapterKnown(interfaceName.c_str())) {
        reason = "no network interface " + interfaceName;
        return TargetsProblem::UnknownInterface;
    }
    if (!SearchMakerDevices(search.waitMs, interfaceName, devices)) {
        reason = "device search error (socket, port 1900 or own address)";
        return TargetsProblem::SearchNotSetUp;
    }
    return TargetsProblem::None;
}

TargetsProblem CollectTargets(const TargetChoice& choice, const SearchSettings& search, unsigned short port,
                              std::vector<DeviceTarget>& targets, std::string& reason) {
    if (!choice.all)
        return TargetsFromHosts(choice.hosts, port, targets, reason) ? TargetsProblem::None : TargetsProblem::BadHost;
    targets.clear();
    return FromSearch(search, port, targets, reason);
}
