#include "cli/device/targets.h"

#include "console/device_access.h"
#include "net/adapters.h"

namespace {

DeviceTarget FoundTarget(const FoundDevice& d, unsigned short port, const std::string& name) {
    DeviceTarget t;
    t.device.host = d.ip;
    t.device.port = port;
    // Without a resolved MAC there is nothing to check again.
    if (!IsUnresolvedMac(d.mac)) t.searchMac = d.mac;
    t.name = name;
    return t;
}

// The listed devices that answered; none of them is a problem of its own.
TargetsProblem Listed(const Inventory& inventory, const std::vector<FoundDevice>& devices, unsigned short port,
                      std::vector<DeviceTarget>& targets, std::string& reason, InventoryMatch& match) {
    match = MatchInventory(inventory, devices);
    for (const ListedFound& l : match.listed) targets.push_back(FoundTarget(l.found, port, l.listed.name));
    if (!targets.empty()) return TargetsProblem::None;
    reason = "none of the " + std::to_string(inventory.devices.size()) +
             " device(s) of the inventory answered the search: " + NamesText(match.missing) + "; nothing done";
    return TargetsProblem::NoneListedAnswered;
}

TargetsProblem FromSearch(const SearchSettings& search, unsigned short port, std::vector<DeviceTarget>& targets,
                          std::string& reason, const Inventory* inventory, InventoryMatch& match) {
    std::vector<FoundDevice> devices;
    if (const TargetsProblem failed = SearchForCommand(search, devices, reason); failed != TargetsProblem::None)
        return failed;
    if (static_cast<int>(devices.size()) < search.expect) {
        reason = FewerThanExpectedText(devices, search.expect) + "; nothing done";
        return TargetsProblem::FewerThanExpected;
    }
    if (inventory != nullptr) return Listed(*inventory, devices, port, targets, reason, match);
    if (devices.empty()) {
        reason = "no TQM-530R device answered the search";
        return TargetsProblem::NoneAnswered;
    }
    for (const FoundDevice& d : devices) targets.push_back(FoundTarget(d, port, ""));
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
                              std::vector<DeviceTarget>& targets, std::string& reason, const Inventory* inventory,
                              InventoryMatch* match) {
    if (!choice.all)
        return TargetsFromHosts(choice.hosts, port, targets, reason) ? TargetsProblem::None : TargetsProblem::BadHost;
    targets.clear();
    InventoryMatch unused;
    return FromSearch(search, port, targets, reason, inventory, match ? *match : unused);
}
