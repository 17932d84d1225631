#include "cli/update_job.h"

#include <chrono>

#include "cli/device_lock.h"
#include "cli/json_events.h"
#include "cli/verify_reset.h"
#include "cli/version_policy.h"
#include "console/console_session.h"
#include "console/firmware_transfer.h"
#include "firmware/firmware_version.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kProgressEvery = std::chrono::milliseconds(100);

const char* PhaseName(UpdatePhase phase) {
    switch (phase) {
    case UpdatePhase::Transfer: return "transfer";
    case UpdatePhase::Check: return "check";
    case UpdatePhase::Flash: return "flash";
    case UpdatePhase::Reset: return "reset";
    }
    return "?";
}

// Turns the engine's steps and progress into phase and progress events, at
// most one progress event per 100 ms besides each change of percent.
class JobObserver : public UpdateObserver {
public:
    JobObserver(const EventSink& sink, unsigned totalLines) : sink_(sink), totalLines_(totalLines) {}

    void OnPhase(UpdatePhase phase, int percent) override {
        sink_(PhaseEvent(PhaseName(phase)));
        ShowPercent(percent);
    }
    void OnLine(int percent, unsigned sentBytes, unsigned totalBytes) override {
        ++lines_;
        bytes_ = sentBytes;
        totalBytes_ = totalBytes;
        if (percent != percent_ || Clock::now() - last_ >= kProgressEvery || lines_ == totalLines_) {
            percent_ = percent;
            Emit();
        }
    }
    void OnFlashComplete(int) override { ShowPercent(kPercentFlashComplete); }

private:
    void ShowPercent(int percent) {
        if (percent == percent_) return;
        percent_ = percent;
        Emit();
    }
    void Emit() {
        last_ = Clock::now();
        sink_(ProgressEvent(percent_, lines_, totalLines_, bytes_, totalBytes_));
    }

    const EventSink& sink_;
    unsigned totalLines_;
    unsigned lines_ = 0;
    unsigned bytes_ = 0;
    unsigned totalBytes_ = 0;
    int percent_ = -1;
    Clock::time_point last_{};
};

const char* FailureText(UpdateFailure failure) {
    switch (failure) {
    case UpdateFailure::SendFailed: return "a send to the device failed";
    case UpdateFailure::ConnectionEnded: return "the device closed the connection during the transfer";
    case UpdateFailure::TimedOut: return "the device stopped answering image lines";
    case UpdateFailure::NoChecksum: return "no \"sum  :\" after \"check\" (the device refused the image?)";
    case UpdateFailure::FlashIncomplete: return "flashing did not report \"complete\" twice in time";
    case UpdateFailure::ResetNotSent: return "flashed, but \"reset\" could not be sent: restart the device";
    case UpdateFailure::None: break;
    }
    return "the update failed";
}

struct Job {
    const DeviceTarget& target;
    const UpdateSettings& settings;
    const EventSink& sink;
    DeviceOutcome outcome;

    // Records how the job ended; false, so that a step can end with it.
    bool End(DeviceResult result, std::string detail) {
        outcome.result = result;
        outcome.detail = std::move(detail);
        return false;
    }

    DeviceResult OpenFailureResult(OpenFailure failure) {
        switch (failure) {
        case OpenFailure::Busy: return DeviceResult::Busy;
        case OpenFailure::MacChanged: return DeviceResult::Mismatch;
        default: return DeviceResult::Failed;
        }
    }

    // Resolve, lock, connect, check the identity, log in, read the version.
    bool Open(DeviceLock& lock) {
        DeviceVisit visit;
        const bool opened = OpenDevice(target, lock, visit, [this](const char* step) { sink(PhaseEvent(step)); });
        outcome.ip = visit.ip;
        outcome.mac = visit.mac.empty() ? target.searchMac : visit.mac;
        outcome.oldVersion = visit.version;
        return opened || End(OpenFailureResult(visit.failure), visit.error);
    }

    bool Transfer() {
        JobObserver observer(sink, settings.imageLines);
        const UpdateResult r = RunFirmwareUpdate(observer);
        outcome.lines = r.lineSends;
        CloseConsole();
        if (!r.ok) return End(DeviceResult::Failed, FailureText(r.failure));
        return true;
    }

    void Verify() {
        if (!settings.verify) {
            End(DeviceResult::Updated, "written, not verified (--no-verify)");
            return;
        }
        sink(PhaseEvent("verify"));
        const VerifyResult v = AwaitDeviceVersion(target, outcome.ip, settings.verifyTimeoutMs);
        outcome.newVersion = v.version;
        if (!v.answered) {
            End(DeviceResult::Unverified, v.error);
        } else if (!(ParseFirmwareVersion(v.version.c_str()) == ParseFirmwareVersion(settings.imageVersion.c_str()))) {
            End(DeviceResult::Unverified,
                "the device came back with " + v.version + ", not the image's " + settings.imageVersion);
        } else {
            End(DeviceResult::Verified, "running " + v.version + " after the reset");
        }
    }

    void Run() {
        DeviceLock lock;
        if (!Open(lock)) return;
        const PolicyDecision decision =
            DecideAction(outcome.oldVersion, settings.imageVersion, settings.reinstall, settings.allowOlder);
        if (decision.action != PlanAction::Update) {
            CloseConsole();
            outcome.newVersion = outcome.oldVersion;
            End(decision.action == PlanAction::Skip ? DeviceResult::Skipped : DeviceResult::Refused, decision.reason);
            return;
        }
        if (Transfer()) Verify();
    }
};

}  // namespace

DeviceOutcome RunUpdateJob(const DeviceTarget& target, const UpdateSettings& settings, const EventSink& sink) {
    const Clock::time_point start = Clock::now();
    Job job{target, settings, sink, {}};
    job.Run();
    job.outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return job.outcome;
}
