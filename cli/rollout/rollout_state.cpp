#include "cli/rollout/rollout_state.h"

#include "cli/rollout/failure_budget.h"

RolloutState::RolloutState(Settings settings)
    : settings_(std::move(settings)),
      state_(settings_.waveEnds.empty() ? 0 : settings_.waveEnds.back(), Progress::Waiting) {}

RolloutStep RolloutState::Next() {
    RolloutStep step;
    step.wave = wave_;
    if (stop_ != StopReason::None || soaking_) {
        step.kind = running_ > 0 || soaking_ ? RolloutStep::Kind::Wait : RolloutStep::Kind::Done;
        return step;
    }
    while (wave_ < static_cast<int>(settings_.waveEnds.size())) {
        if (next_ < settings_.waveEnds[wave_]) return StartInWave();
        if (running_ > 0) {
            step.kind = RolloutStep::Kind::Wait;
            return step;
        }
        if (LastWave()) break;
        if (settings_.soak) {
            step.devices = WrittenInWave();
            if (!step.devices.empty()) {
                soaking_ = true;
                step.kind = RolloutStep::Kind::Soak;
                return step;
            }
        }
        step.wave = ++wave_;
    }
    step.kind = RolloutStep::Kind::Done;
    return step;
}

RolloutStep RolloutState::StartInWave() {
    RolloutStep step;
    step.wave = wave_;
    step.kind = RolloutStep::Kind::Wait;
    const int end = settings_.waveEnds[wave_];
    while (next_ < end && (settings_.jobs <= 0 || running_ < settings_.jobs)) {
        state_[next_] = Progress::Running;
        step.devices.push_back(next_++);
        ++running_;
    }
    if (!step.devices.empty()) step.kind = RolloutStep::Kind::Start;
    return step;
}

void RolloutState::Ended(int device, DeviceResult result) {
    if (device < 0 || device >= static_cast<int>(state_.size()) || state_[device] != Progress::Running) return;
    --running_;
    const bool written = TraitsOf(result).written;
    if (CountsAgainstBudget(result)) {
        state_[device] = Progress::Failed;
        CountFailure();
    } else {
        state_[device] = written ? Progress::Written : Progress::NotWritten;
    }
}

void RolloutState::SoakEnded(const std::vector<int>& lostDevices) {
    if (!soaking_) return;
    soaking_ = false;
    for (int device : lostDevices) {
        if (device < 0 || device >= static_cast<int>(state_.size()) || state_[device] != Progress::Written) continue;
        state_[device] = Progress::LostInSoak;
        CountFailure();
    }
    if (stop_ == StopReason::None) ++wave_;
}

void RolloutState::Interrupt() {
    if (stop_ == StopReason::None) stop_ = StopReason::Interrupted;
}

void RolloutState::CountFailure() {
    ++failures_;
    if (settings_.budget >= 0 && failures_ > settings_.budget && stop_ == StopReason::None)
        stop_ = StopReason::BudgetExceeded;
}

int RolloutState::WaveOf(int device) const {
    for (size_t wave = 0; wave < settings_.waveEnds.size(); ++wave)
        if (device < settings_.waveEnds[wave]) return static_cast<int>(wave);
    return -1;
}

std::vector<int> RolloutState::NotStarted() const {
    std::vector<int> devices;
    for (int device = next_; device < static_cast<int>(state_.size()); ++device) devices.push_back(device);
    return devices;
}

std::vector<int> RolloutState::WrittenInWave() const {
    std::vector<int> devices;
    for (int device = WaveStart(wave_); device < settings_.waveEnds[wave_]; ++device)
        if (state_[device] == Progress::Written) devices.push_back(device);
    return devices;
}
