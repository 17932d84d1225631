#pragma once

#include <vector>

#include "cli/device/device_search.h"
#include "cli/device/inventory.h"

// The search's devices against the inventory, by MAC: the MAC is the
// device's identity, so a name follows its MAC to whatever address answers.
struct ListedFound {
    FoundDevice found;
    InventoryDevice listed;
};

struct InventoryMatch {
    std::vector<ListedFound> listed;         // listed and found, in the search's order
    std::vector<InventoryDevice> missing;    // listed, but they did not answer; in the file's order
    std::vector<FoundDevice> unlisted;       // found, but not in the inventory (never touched)
};

InventoryMatch MatchInventory(const Inventory& inventory, const std::vector<FoundDevice>& found);

// "A, B and 2 more": names for one line, the first few of them.
std::string NamesText(const std::vector<InventoryDevice>& devices, size_t shown = 10);
