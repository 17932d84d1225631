#include "cli/commands/command_plan.h"

#include <cstdio>

#include "cli/commands/aligned_text.h"
#include "cli/commands/common_options.h"
#include "cli/commands/exit_codes.h"
#include "cli/commands/targets_or_exit.h"
#include "cli/device/device_plan.h"
#include "cli/output/messages.h"
#include "cli/output/json_events.h"
#include "cli/output/display_width.h"
#include "cli/output/terminal.h"
#include "cli/output/visible_text.h"
#include "cli/rollout/wave_plan.h"

namespace {

std::string Or(const std::string& text) { return text.empty() ? "-" : text; }

// A device that answered but is not listed: never logged in to.
PlanRow UnlistedRow(const FoundDevice& d) {
    PlanRow row;
    row.device = d.ip;
    row.ip = d.ip;
    row.mac = d.mac;
    row.action = N_("unlisted");
    row.reason = "not in inventory; not touched";
    return row;
}

PlanRow MissingRow(const InventoryDevice& d) {
    PlanRow row;
    row.name = d.name;
    row.mac = d.mac;
    row.action = N_("not found");
    row.reason = "listed in the inventory (line " + std::to_string(d.line) + "), but it did not answer the search";
    return row;
}

// Each row's wave as update --waves would run it (1-based), 0 for a device
// it would not write; the devices per wave in waveSizes.
std::vector<int> WavesOf(const std::vector<PlanRow>& rows, const PlanOptions& o, std::vector<int>& waveSizes) {
    int toWrite = 0;
    for (const PlanRow& r : rows) toWrite += PlanWouldWrite(r);
    const std::vector<int> ends = WaveEnds(o.waves, toWrite);
    waveSizes.clear();
    for (size_t k = 0; k < ends.size(); ++k) waveSizes.push_back(ends[k] - (k == 0 ? 0 : ends[k - 1]));
    std::vector<int> waves;
    int written = 0;
    size_t wave = 0;
    for (const PlanRow& r : rows) {
        if (!PlanWouldWrite(r)) {
            waves.push_back(0);
            continue;
        }
        while (written >= ends[wave]) ++wave;
        ++written;
        waves.push_back(static_cast<int>(wave) + 1);
    }
    return waves;
}

void PrintJson(const std::vector<PlanRow>& rows, const std::vector<int>& waves, const std::vector<int>& sizes,
               const PlanOptions& o, const ImageReport& image) {
    nlohmann::json list = nlohmann::json::array();
    for (size_t i = 0; i < rows.size(); ++i) {
        const PlanRow& r = rows[i];
        nlohmann::json d = {{"device", r.device},    {"ip", r.ip},
                            {"mac", r.mac},          {"current_version", r.version},
                            {"image", image.source}, {"image_version", image.version},
                            {"action", r.action},    {"reason", r.reason}};
        if (!r.name.empty()) d["name"] = r.name;
        if (!o.waves.empty()) d["wave"] = waves[i] > 0 ? nlohmann::json(waves[i]) : nlohmann::json();
        list.push_back(d);
    }
    nlohmann::json document = {{"image", image.source}, {"image_version", image.version}, {"devices", list}};
    if (!o.waves.empty()) document["waves"] = sizes;
    PrintJsonDocument(document);
}

void PrintTable(const std::vector<PlanRow>& rows, const std::vector<int>& waves, const std::vector<int>& sizes,
                const PlanOptions& o, const ImageReport& image) {
    const bool showNames = !o.targets.inventoryPath.empty(), showWaves = !o.waves.empty();
    const auto row = [&](std::vector<std::string> cells, const std::string& name, const std::string& wave,
                         const std::string& reason) {
        if (showNames) cells.insert(cells.begin(), name);
        if (showWaves) cells.push_back(wave);
        cells.push_back(reason);
        return cells;
    };
    std::vector<std::vector<std::string>> table = {
        row({Tr("DEVICE"), "MAC", "IP", Tr("CURRENT"), Tr("IMAGE"), Tr("ACTION")}, Tr("NAME"), Tr("WAVE"),
            Tr("REASON"))};
    for (size_t i = 0; i < rows.size(); ++i) {
        const PlanRow& r = rows[i];
        table.push_back(row({Or(VisibleText(r.device)), Or(r.mac), Or(r.ip), Or(VisibleText(r.version)),
                             VisibleText(image.version), Tr(r.action.c_str())},
                            Or(VisibleText(r.name)), waves[i] > 0 ? std::to_string(waves[i]) : "-",
                            TrText(VisibleText(r.reason))));
    }
    // "refuse ": the action column as wide as the policy's words
    std::vector<size_t> least = {6, 17, 15, 8, 8, std::max<size_t>(DisplayWidth(Tr("refuse")), 7), 4};
    if (showNames) least.insert(least.begin(), 4);
    WriteText(stdout, AlignedTable(table, least));
    if (!showWaves) return;
    std::string text;
    for (int n : sizes) text += (text.empty() ? "" : ", ") + std::to_string(n);
    PrintTo(stdout, Tr("%zu wave(s) of %s device(s)\n"), sizes.size(), text.empty() ? "0" : text.c_str());
}

}  // namespace

void AddPlanOptions(CLI::App& c, PlanOptions& o, MainSettings& main) {
    CLI::Option* hosts = c.add_option("hosts", o.targets.hosts, Tr("HOST[:PORT] of each device"));
    CLI::Option* all = c.add_flag("--all", o.targets.all, Tr("search first and plan every TQM-530R found"));
    hosts->excludes(all);
    AddExpect(c, o.search, Tr("; no device is read"))->needs(all);
    AddInventory(c, o.targets.inventoryPath,
                 Tr("; only the devices it lists are read, one not listed is shown \"unlisted\" and never logged in "
                 "to, a listed one that did not answer \"not found\" (exit 1)"))
        ->needs(all);
    AddWaves(c, o.waves)
        ->description(std::string(Tr("show the wave of each device that update --waves would write; ")) + Tr(kWavesHelp));
    AddPort(c, o.access);
    AddPolicy(c, o.policy);
    AddTimeout(c, o.access);
    AddTrace(c, main);
    AddSearch(c, o.search);
    AddImage(c, main);
    AddImageSha256(c, main);
    AddJson(c, o.json, N_("print one JSON object"));
}

int RunPlan(const PlanOptions& o, const ImageReport& image) {
    std::vector<DeviceTarget> targets;
    InventoryMatch match;
    const int rc = TargetsOrExitCode("plan", o.targets, o.search, o.access.port, targets, &match);
    if (rc >= 0) return rc;
    std::vector<PlanRow> rows;
    bool unreachable = !match.missing.empty();
    for (const DeviceTarget& t : targets) {
        rows.push_back(PlanDevice(t, o.access, o.policy, image));
        unreachable = unreachable || rows.back().action == "error" || rows.back().action == "busy";
    }
    for (const FoundDevice& d : match.unlisted) rows.push_back(UnlistedRow(d));
    for (const InventoryDevice& d : match.missing) rows.push_back(MissingRow(d));
    std::vector<int> sizes;
    const std::vector<int> waves = WavesOf(rows, o, sizes);
    if (o.json)
        PrintJson(rows, waves, sizes, o, image);
    else
        PrintTable(rows, waves, sizes, o, image);
    return unreachable ? kExitFailed : kExitOk;
}
