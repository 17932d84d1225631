#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/device/device_outcome.h"
#include "cli/device/device_session.h"
#include "cli/image/image_check.h"
#include "cli/output/progress_display.h"
#include "cli/output/progress_view.h"

// Where an update run's results go besides the table: JSON lines instead of
// everything else (--json), the display while it runs (--progress), and the
// history file (--history; empty: HistoryPath's default).
struct BatchOutput {
    bool json = false;
    ProgressMode progress = ProgressMode::Auto;
    std::string historyPath;
};

// One device of an update run, as the parent knows it.
struct DeviceRun {
    DeviceTarget target;
    DeviceProgress progress;  // what the display shows of it
    DeviceOutcome outcome;    // its result, once reported
    bool started = false;     // its process was started
    bool reported = false;    // its process sent its result
    std::string silence;      // its process was stopped as hung: "silent for 310 s"
    int wave = 0;             // 1-based in a rollout with waves; 0 otherwise
    size_t damagedLines = 0;  // lines of its process's output that were no event
};

// Sees each device's start and every event the batch gets, the results it
// makes itself (a device never started, a child that died) included.
class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    virtual void DeviceStarted(size_t i) = 0;
    virtual void DeviceEvent(size_t i, const nlohmann::json& event) = 0;
    // A rollout's waves: devices per wave, and each device's (0: in none).
    virtual void WavesPlanned(const std::vector<int>& sizes, const std::vector<int>& waveOf) {
        (void)sizes;
        (void)waveOf;
    }
};

// The parent's side of an update run: what each child reported, the
// display, and what an interruption does.
class UpdateBatch {
public:
    UpdateBatch(const BatchOutput& o, const ImageReport& image, const std::vector<DeviceTarget>& targets);

    void Start();
    void SetObserver(BatchObserver* observer) { observer_ = observer; }
    void OnStart(size_t i);
    void OnEvent(size_t i, const nlohmann::json& event);
    // Lines of a child's output that were no event: noted once, after the summary.
    void OnDamagedLines(size_t i, size_t lines);
    // A child that ended without its result (killed, crashed) failed; its
    // record is written here, as the child could not.
    void OnExit(size_t i, const std::string& exitText);
    // A child silent for longer than a sound one ever is, about to be asked
    // to stop: a result it still sends says so, and is a failure.
    void OnOverdue(size_t i, const std::string& silence) { devices_[i].silence = silence; }
    // Heeds new interruptions and redraws. False once the operator asked to
    // leave at once (the third interruption).
    bool OnTick();
    // After the run: the devices never started, the summary; the exit code,
    // by exitCodeOf over every device's outcome unless interrupted.
    int Finish(int (*exitCodeOf)(const std::vector<DeviceOutcome>& outcomes));

    // For a rollout: a device's outcome so far; one decided in the parent
    // (before or instead of its process: a plan's skip, "not started", lost in
    // the soak), shown and recorded in the history; a line about the run.
    const DeviceOutcome& Outcome(size_t i) const { return devices_[i].outcome; }
    void ReportFromParent(size_t i, const DeviceOutcome& d);
    // The rollout's waves, for the history records and the observer.
    void SetWaves(const std::vector<int>& sizes, const std::vector<int>& waveOf);
    int Wave(size_t i) const { return devices_[i].wave; }
    // What the run does before its devices start, in its status line; "" once they do.
    void SetStage(const std::string& stage) { stage_ = stage; }
    // An event for the observer alone (the soak of a device already reported).
    void Observe(size_t i, const nlohmann::json& event);
    void Announce(const nlohmann::json& event, const std::string& text);

private:
    // One event of device i: to the observer, its progress and the display.
    void Show(size_t i, const nlohmann::json& event);
    void HeedInterruptions();
    std::vector<std::string> Flashing() const;
    void Notice(const std::string& text);
    void MarkNotStarted();
    // The run as the display draws it now.
    RunSnapshot Snapshot(std::chrono::steady_clock::time_point now) const;

    const BatchOutput& o_;
    const ImageReport& image_;
    std::vector<DeviceRun> devices_;
    ProgressView view_;
    std::chrono::steady_clock::time_point start_;
    int waves_ = 0;
    std::string stage_;
    size_t labelWidth_ = 0;  // the widest label's columns, for the live view
    int noticed_ = 0;
    BatchObserver* observer_ = nullptr;
};

// The history line of one device's update. The device's own process writes
// it, so that it is kept even when the parent is killed.
// extra: fields added to the record (the report's "phases", "host").
// {"wave": N} for a history record of a device in a wave; {} outside waves.
nlohmann::json WaveRecord(int wave);
void RecordUpdate(const std::string& historyPath, const DeviceTarget& target, const ImageReport& image,
                  const DeviceOutcome& d, const nlohmann::json& extra = nlohmann::json::object());
