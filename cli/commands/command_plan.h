#pragma once

#include <vector>

#include "cli/commands/commands.h"
#include "cli/device/device_search.h"
#include "cli/device/device_session.h"
#include "cli/device/targets.h"
#include "cli/device/version_policy.h"
#include "cli/rollout/wave_plan.h"

// plan: what update would do to each device, writing nothing.
struct PlanOptions {
    TargetChoice targets;
    SearchSettings search;
    std::vector<WaveSize> waves;  // --waves: the wave of each device that update would write
    DeviceAccess access;
    VersionPolicy policy;
    bool json = false;
};

void AddPlanOptions(CLI::App& c, PlanOptions& o, MainSettings& main);
int RunPlan(const PlanOptions& o, const ImageReport& image);
