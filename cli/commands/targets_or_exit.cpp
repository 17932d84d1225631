#include "cli/commands/targets_or_exit.h"

#include <cstdio>

#include "cli/commands/exit_codes.h"
#include "cli/output/messages.h"
#include "cli/output/terminal.h"

namespace {

int Told(TargetsProblem problem, const std::string& reason) {
    if (problem != TargetsProblem::None) PrintTo(stderr, "tqm530r: %s\n", reason.c_str());
    return TargetsExitCode(problem);
}

}  // namespace

int TargetsExitCode(TargetsProblem problem) {
    switch (problem) {
    case TargetsProblem::None: return -1;
    case TargetsProblem::BadHost:
    case TargetsProblem::UnknownInterface: return kExitUsage;
    case TargetsProblem::SearchNotSetUp: return kExitSearchError;
    case TargetsProblem::FewerThanExpected:
    case TargetsProblem::NoneAnswered:
    case TargetsProblem::NoneListedAnswered: break;
    }
    return kExitFailed;
}

int TargetsOrExitCode(const std::string& command, const TargetChoice& choice, const SearchSettings& search, int port,
                      std::vector<DeviceTarget>& targets, InventoryMatch* match) {
    if (!choice.all && choice.hosts.empty()) {
        PrintTo(stderr, Tr("tqm530r: %s needs HOST... or --all (see tqm530r %s --help)\n"), command.c_str(),
                command.c_str());
        return kExitUsage;
    }
    Inventory inventory;
    if (const int rc = InventoryOrExitCode(choice.inventoryPath, inventory); rc >= 0) return rc;
    const Inventory* listed = choice.inventoryPath.empty() ? nullptr : &inventory;
    std::string reason;
    const TargetsProblem problem =
        CollectTargets(choice, search, static_cast<unsigned short>(port), targets, reason, listed, match);
    return Told(problem, reason);
}

int SingleTargetOrExitCode(const std::string& host, int port, DeviceAddress& device) {
    std::string reason;
    if (ParseDeviceAddress(host, static_cast<unsigned short>(port), device, reason)) return -1;
    return Told(TargetsProblem::BadHost, reason);
}

int SearchOrExitCode(const SearchSettings& search, std::vector<FoundDevice>& devices) {
    std::string reason;
    return Told(SearchForCommand(search, devices, reason), reason);
}

int InventoryOrExitCode(const std::string& path, Inventory& inventory) {
    std::string error;
    if (path.empty() || LoadInventory(path, inventory, error)) return -1;
    PrintTo(stderr, Tr("tqm530r: --inventory %s; nothing sent\n"), TrText(error).c_str());
    return kExitUsage;
}
