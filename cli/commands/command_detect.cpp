#include "cli/commands/command_detect.h"

#include <cstdio>

#include "cli/commands/aligned_text.h"
#include "cli/commands/common_options.h"
#include "cli/commands/exit_codes.h"
#include "cli/commands/targets_or_exit.h"
#include "cli/device/inventory_match.h"
#include "cli/output/messages.h"
#include "cli/output/json_events.h"
#include "cli/output/display_width.h"
#include "cli/output/terminal.h"
#include "cli/output/visible_text.h"

namespace {

nlohmann::json FoundJson(const FoundDevice& d) { return {{"entry", d.entry}, {"ip", d.ip}, {"mac", d.mac}}; }

// The name, the MAC and the other columns of a listed device.
nlohmann::json ListedJson(const InventoryDevice& d) {
    nlohmann::json columns = nlohmann::json::object();
    for (const auto& [title, value] : d.columns) columns[title] = value;
    return {{"name", d.name}, {"mac", d.mac}, {"line", d.line}, {"columns", columns}};
}

void PrintInventoryJson(const InventoryMatch& m, int expect) {
    nlohmann::json devices = nlohmann::json::array(), missing = nlohmann::json::array(),
                   unlisted = nlohmann::json::array();
    for (const ListedFound& l : m.listed) {
        nlohmann::json d = FoundJson(l.found);
        const nlohmann::json listed = ListedJson(l.listed);
        d["name"] = listed["name"];
        d["columns"] = listed["columns"];
        devices.push_back(d);
    }
    for (const InventoryDevice& d : m.missing) missing.push_back(ListedJson(d));
    for (const FoundDevice& d : m.unlisted) unlisted.push_back(FoundJson(d));
    nlohmann::json document = {{"devices", devices}, {"missing", missing}, {"unlisted", unlisted}};
    if (expect > 0) document["expected"] = expect;
    PrintJsonDocument(document);
}

// NAME  IP  MAC  STATE: the listed devices found, those not listed, the missing.
void PrintInventoryTable(const InventoryMatch& m) {
    std::vector<std::vector<std::string>> table = {{Tr("NAME"), "IP", "MAC", Tr("STATE")}};
    for (const ListedFound& l : m.listed) table.push_back({VisibleText(l.listed.name), l.found.ip, l.found.mac, Tr("found")});
    for (const FoundDevice& d : m.unlisted) table.push_back({"-", d.ip, d.mac, Tr("not in inventory")});
    for (const InventoryDevice& d : m.missing) table.push_back({VisibleText(d.name), "-", d.mac, Tr("missing")});
    WriteText(stdout, AlignedTable(table, {4, 15, 17}));
}

// Exit 1 when a listed device did not answer.
int ReportInventory(const std::vector<FoundDevice>& devices, const Inventory& inventory, const DetectOptions& o) {
    const InventoryMatch m = MatchInventory(inventory, devices);
    if (o.json)
        PrintInventoryJson(m, o.search.expect);
    else
        PrintInventoryTable(m);
    if (m.missing.empty()) return kExitOk;
    PrintTo(stderr, Tr("tqm530r: %zu of %zu listed device(s) did not answer: %s\n"), m.missing.size(),
            inventory.devices.size(), VisibleText(NamesText(m.missing)).c_str());
    return kExitFailed;
}

}  // namespace

void AddDetectOptions(CLI::App& c, DetectOptions& o, MainSettings& main) {
    AddSearch(c, o.search);
    AddExpect(c, o.search, "");
    AddInventory(c, o.inventoryPath,
                 Tr("; each device found is shown with its name, a listed device that did not answer as missing "
                 "(exit 1), one not listed as \"not in inventory\""));
    AddTrace(c, main);
    AddJson(c, o.json,
            N_("print {\"devices\":[{\"entry\",\"ip\",\"mac\"}]} (with --expect, also \"expected\"; with --inventory, "
            "each device's \"name\" and \"columns\", and \"missing\" and \"unlisted\")"));
}

int RunDetect(const DetectOptions& o) {
    Inventory inventory;
    if (const int rc = InventoryOrExitCode(o.inventoryPath, inventory); rc >= 0) return rc;
    const int expect = o.search.expect;
    std::vector<FoundDevice> devices;
    if (const int rc = SearchOrExitCode(o.search, devices); rc >= 0) return rc;
    int rc = kExitOk;
    if (!o.inventoryPath.empty()) {
        rc = ReportInventory(devices, inventory, o);
    } else if (o.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const FoundDevice& d : devices) list.push_back(FoundJson(d));
        nlohmann::json document = {{"devices", list}};
        if (expect > 0) document["expected"] = expect;
        PrintJsonDocument(document);
    } else {
        for (const FoundDevice& d : devices)
            PrintTo(stdout, "%-32s  %-15s  %s\n", d.entry.c_str(), d.ip.c_str(), d.mac.c_str());
    }
    if (static_cast<int>(devices.size()) < expect) {
        PrintTo(stderr, "tqm530r: %s\n", FewerThanExpectedText(devices, expect).c_str());
        return kExitFailed;
    }
    if (devices.empty() && !o.json) PrintTo(stderr, Tr("tqm530r: no TQM-530R device answered\n"));
    return devices.empty() ? kExitFailed : rc;
}
