#pragma once

#include <vector>

#include "cli/device/device_outcome.h"

// What the run loop does next.
struct RolloutStep {
    enum class Kind {
        Start,  // start these devices now
        Soak,   // the wave has ended: wait the soak, read these devices again, then SoakEnded
        Wait,   // wait for a device to end (or for the soak's results)
        Done,   // nothing runs and nothing more starts
    };
    Kind kind = Kind::Done;
    std::vector<int> devices;
    int wave = 0;
};

// Why a device never started.
enum class StopReason { None, BudgetExceeded, Interrupted };

// One rollout over devices 0..n-1 (the devices to write, in order), without any
// I/O: given what ended, what may start next. Waves run one after the other;
// within a wave at most jobs devices run at once. Once failures exceed the
// budget (or on an interrupt) no device starts; running ones finish.
class RolloutState {
public:
    struct Settings {
        std::vector<int> waveEnds;  // WaveEnds(); its last entry is the number of devices
        int budget = -1;            // FailureBudget(); -1: none
        int jobs = 0;               // 0: a whole wave at once
        bool soak = false;          // after each wave but the last, read its devices again
    };

    explicit RolloutState(Settings settings);

    // The next step; Start marks its devices running, Soak marks the soak begun.
    RolloutStep Next();
    // A device that Start gave has ended.
    void Ended(int device, DeviceResult result);
    // The soak's reading of the wave: the devices that no longer answered or
    // reported another version count as failed.
    void SoakEnded(const std::vector<int>& lostDevices);
    // Nothing more starts (an interrupt); running devices finish.
    void Interrupt();

    int Failures() const { return failures_; }
    StopReason Stopped() const { return stop_; }
    int WaveOf(int device) const;
    bool LostInSoak(int device) const { return state_[device] == Progress::LostInSoak; }
    // The devices that never started, in order (with Stopped() as the reason).
    std::vector<int> NotStarted() const;

private:
    enum class Progress { Waiting, Running, Written, Failed, NotWritten, LostInSoak };

    int WaveStart(int wave) const { return wave == 0 ? 0 : settings_.waveEnds[wave - 1]; }
    bool LastWave() const { return wave_ + 1 >= static_cast<int>(settings_.waveEnds.size()); }
    void CountFailure();
    RolloutStep StartInWave();
    std::vector<int> WrittenInWave() const;

    Settings settings_;
    std::vector<Progress> state_;
    int wave_ = 0;
    int next_ = 0;  // the first device not yet started
    int running_ = 0;
    int failures_ = 0;
    bool soaking_ = false;
    StopReason stop_ = StopReason::None;
};
