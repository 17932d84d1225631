#include "cli/device/inventory_match.h"

#include <set>

InventoryMatch MatchInventory(const Inventory& inventory, const std::vector<FoundDevice>& found) {
    InventoryMatch match;
    std::set<std::string> answered;
    for (const FoundDevice& d : found) {
        const InventoryDevice* listed = inventory.WithMac(d.mac);
        if (listed == nullptr) {
            match.unlisted.push_back(d);
            continue;
        }
        match.listed.push_back({d, *listed});
        answered.insert(listed->mac);
    }
    for (const InventoryDevice& d : inventory.devices)
        if (!answered.count(d.mac)) match.missing.push_back(d);
    return match;
}

std::string NamesText(const std::vector<InventoryDevice>& devices, size_t shown) {
    std::string text;
    for (size_t k = 0; k < devices.size() && k < shown; ++k) text += (k == 0 ? "" : ", ") + devices[k].name;
    if (devices.size() > shown) text += " and " + std::to_string(devices.size() - shown) + " more";
    return text;
}
