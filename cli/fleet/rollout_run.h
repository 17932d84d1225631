#pragma once

#include <string>
#include <vector>

#include "cli/commands/cli_options.h"
#include "cli/device/device_session.h"
#include "cli/fleet/update_batch.h"
#include "cli/image/image_check.h"
#include "cli/rollout/rollout_state.h"

// The parent's side of update as a rollout: which device's process starts
// when (RolloutState's rules), the versions read first, the soak, and the
// devices never started. A run without --waves, --max-failures and --soak
// is one wave of every device, --jobs at once, without the reading first.
class RolloutRun {
public:
    RolloutRun(const CliOptions& o, const ImageReport& image, const std::vector<DeviceTarget>& targets,
               UpdateBatch& batch);

    // Reads every device's version first (a rollout only): devices that the
    // policy would not write are reported as plan decides, the rest form the
    // waves. Stops reading at an interruption.
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
    void Soak(const RolloutStep& step);
    // Each target's wave, 1-based; 0 for a device not to be written.
    std::vector<int> WaveOfEachDevice() const;
    bool WaitSoak(double seconds);
    void Announce(nlohmann::json event, const std::string& text);

    const CliOptions& o_;
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
