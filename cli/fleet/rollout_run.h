#pragma once

#include <string>
#include <vector>

#include "cli/device/device_session.h"
#include "cli/device/version_policy.h"
#include "cli/fleet/update_batch.h"
#include "cli/image/image_check.h"
#include "cli/rollout/failure_budget.h"
#include "cli/rollout/rollout_state.h"
#include "cli/rollout/wave_plan.h"

// How update's devices start: how many at once, and a rollout's waves,
// failure budget and soak.
struct RolloutSettings {
    int jobs = 0;                 // --jobs; 0: every device at once
    std::vector<WaveSize> waves;  // --waves; empty: one wave
    FailureLimit maxFailures;     // --max-failures
    std::string maxFailuresText;  // as typed, for the reason of a stop
    double soakSeconds = 0;       // --soak; 0: none

    // --waves, --max-failures or --soak: versions are read first and the devices to write roll out.
    bool Rollout() const { return !waves.empty() || maxFailures.value >= 0 || soakSeconds > 0; }
};

// The parent's side of update as a rollout: which device's process starts
// when (RolloutState's rules), the versions read first, the soak, and the
// devices never started. A run without --waves, --max-failures and --soak
// is one wave of every device, --jobs at once, without the reading first.
class RolloutRun {
public:
    // access and policy read each device first (a rollout only) and again after a soak.
    RolloutRun(const RolloutSettings& o, const DeviceAccess& access, const VersionPolicy& policy,
               const ImageReport& image, const std::vector<DeviceTarget>& targets, UpdateBatch& batch);

    // Reads every device's version first (a rollout only), --jobs at once:
    // devices that the policy would not write are reported as plan decides,
    // the rest form the waves in the targets' order. Starts no further read
    // at an interruption.
    void Prepare();
    // The devices (indexes into targets) whose processes start now; soaks
    // when a wave has ended.
    std::vector<size_t> NextJobs();
    bool MoreJobs() const { return !done_; }
    // The device's process has ended and its outcome is in the batch.
    void Ended(size_t target);
    // Before the batch's Finish: the devices the failure budget kept from starting.
    void ReportNotStarted();

private:
    void ReadVersionsFirst();
    void Soak(const RolloutStep& step);
    // Each target's wave, 1-based; 0 for a device not to be written.
    std::vector<int> WaveOfEachDevice() const;
    bool WaitSoak(double seconds);
    void Announce(nlohmann::json event, const std::string& text);

    const RolloutSettings& o_;
    const DeviceAccess& access_;
    const VersionPolicy& policy_;
    const ImageReport& image_;
    const std::vector<DeviceTarget>& targets_;
    UpdateBatch& batch_;
    std::vector<size_t> order_;  // the devices to write, as indexes into targets_
    std::vector<int> waveEnds_;
    int budget_ = -1;
    RolloutState state_{RolloutState::Settings{}};
    bool done_ = false;
    bool stopTold_ = false;
};
