// The inventory file's reader over any bytes: it never crashes, refuses in one
// line, and what it accepts holds only devices with a name, a MAC in the
// search's spelling, and neither of them twice.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "cli/device/inventory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Inventory inventory;
    std::string error;
    if (!ParseInventory(bytes, inventory, error)) {
        if (error.empty() || error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    std::set<std::string> names, macs;
    for (const InventoryDevice& d : inventory.devices) {
        std::string again;
        if (d.name.empty() || !NormalizedMac(d.mac, again) || again != d.mac || d.mac.size() != 17) std::abort();
        if (!names.insert(d.name).second || !macs.insert(d.mac).second) std::abort();
        if (inventory.WithMac(d.mac) != &d) std::abort();
    }
    return 0;
}
