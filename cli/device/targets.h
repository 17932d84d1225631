#pragma once

#include <string>
#include <vector>

#include "cli/device/device_search.h"
#include "cli/device/inventory_match.h"
#include "cli/device/target_hosts.h"

// The devices a command names: HOST[:PORT] as typed, or with all every maker
// device that one search finds.
struct TargetChoice {
    std::vector<std::string> hosts;
    bool all = false;
    std::string inventoryPath;  // --inventory (with all): only the devices it lists, by MAC
};

// Why a command has no devices to work on. commands/ tells the reason and
// chooses the exit code.
enum class TargetsProblem {
    None,
    BadHost,            // a HOST[:PORT] that does not read
    UnknownInterface,   // --interface names no interface of this host
    SearchNotSetUp,     // the search's socket, port 1900 or own address
    FewerThanExpected,  // fewer maker devices answered than --expect
    NoneAnswered,
    NoneListedAnswered,  // with an inventory: none of its devices answered
};

// One search for a command (detect's, and --all's): None when it ran, else
// why not, told in one line in reason.
TargetsProblem SearchForCommand(const SearchSettings& search, std::vector<FoundDevice>& devices, std::string& reason);

// The hosts chosen, or with all every maker device that one search finds
// (at port, with the MAC it found); fewer than search.expect found is a
// problem. None to go on, else why not, told in one line in reason.
// With an inventory only the listed devices that answered are targets, each
// with its name; match holds them and the missing and unlisted ones.
TargetsProblem CollectTargets(const TargetChoice& choice, const SearchSettings& search, unsigned short port,
                              std::vector<DeviceTarget>& targets, std::string& reason,
                              const Inventory* inventory = nullptr, InventoryMatch* match = nullptr);
