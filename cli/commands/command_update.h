#pragma once

#include "cli/commands/commands.h"
#include "cli/device/device_search.h"
#include "cli/device/device_session.h"
#include "cli/device/targets.h"
#include "cli/device/verify_reset.h"
#include "cli/device/version_policy.h"
#include "cli/fleet/retry_rule.h"
#include "cli/fleet/rollout_run.h"
#include "cli/fleet/update_batch.h"
#include "cli/report/run_recorder.h"

// update: the image into devices, each in a process of its own, and the
// verify of each; in the parent the run, its display and its files.
struct UpdateOptions {
    TargetChoice targets;
    bool yes = false;
    RolloutSettings rollout;  // --jobs and the rollout's
    DeviceAccess access;
    VersionPolicy policy;
    bool verify = true;
    double verifyTimeoutSeconds = kVerifyTimeoutMs / 1000.0;
    int retries = RetryRule::kDefaultRetries;                    // see retry_rule.h
    double retryDelaySeconds = RetryRule::kDefaultDelaySeconds;  // before the first retry
    SearchSettings search;
    BatchOutput output;   // --json, --progress, --history
    ReportFiles reports;  // --report, --metrics; the arguments are main's
};

void AddUpdateOptions(CLI::App& c, UpdateOptions& o, MainSettings& main);
// An update child when main.job is set, else the parent of the run.
int RunUpdate(const UpdateOptions& o, const MainSettings& main, const ImageReport& image);
