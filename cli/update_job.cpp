#include "cli/update_job.h"

#include <chrono>

#include "cli/device_console.h"
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

// Turns the engine's progress into phase and progress events, at most one
// progress event per 100 ms besides each change of percent.
class JobObserver : public UpdateObserver {
public:
    JobObserver(const EventSink& sink, unsigned totalLines) : sink_(sink), totalLines_(totalLines) {}

    void OnProgress(int percent, const char*) override {
        if (percent == 98 && lines_ >= totalLines_) sink_(PhaseEvent("flash"));  // 98 also ends the transfer
        if (percent == 99 && ++completes_ == 2) sink_(PhaseEvent("reset"));
        if (percent != percent_) {
            percent_ = percent;
            Emit();
        }
    }
    void OnLine(unsigned sentBytes, unsigned totalBytes) override {
        ++lines_;
        bytes_ = sentBytes;
        totalBytes_ = totalBytes;
        if (Clock::now() - last_ >= kProgressEvery || lines_ == totalLines_) Emit();
        if (lines_ == totalLines_) sink_(PhaseEvent("check"));
    }
    void OnFinished(bool) override {}
    unsigned Lines() const { return lines_; }

private:
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
    int completes_ = 0;
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
    const UpdateTarget& target;
    const UpdateSettings& settings;
    const EventSink& sink;
    DeviceOutcome outcome;

    // Records how the job ended; false, so that a step can end with it.
    bool End(DeviceResult result, std::string detail) {
        outcome.result = result;
        outcome.detail = std::move(detail);
        return false;
    }

    // Connect, check the identity, log in, read the version.
    bool Open(DeviceLock& lock) {
        const DeviceAddress& device = target.device;
        sink(PhaseEvent("connect"));
        if (!ResolveHostText(device.host, outcome.ip)) return End(DeviceResult::Failed, "host name does not resolve");
        std::string error;
        if (!lock.Acquire(outcome.ip, device.port, error)) return End(DeviceResult::Busy, error);
        if (!ConnectConsole(device, error)) return End(DeviceResult::Failed, error);
        outcome.mac = CurrentMac(outcome.ip);  // the connect has just refreshed the neighbour entry
        if (!target.searchMac.empty() && outcome.mac != target.searchMac) {
            CloseConsole();
            return End(DeviceResult::Mismatch, "MAC changed since the search: was " + target.searchMac + ", now " +
                                                    (outcome.mac.empty() ? "unresolved" : outcome.mac));
        }
        if (outcome.mac.empty()) outcome.mac = target.searchMac;
        sink(PhaseEvent("login"));
        if (!LoginConsole(error) || !ReadDeviceVersion(outcome.oldVersion, error))
            return End(DeviceResult::Failed, error);
        return true;
    }

    bool Transfer() {
        sink(PhaseEvent("transfer"));
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
        const VerifyResult v = AwaitDeviceVersion(target.device, settings.verifyTimeoutMs);
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

DeviceOutcome RunUpdateJob(const UpdateTarget& target, const UpdateSettings& settings, const EventSink& sink) {
    const Clock::time_point start = Clock::now();
    Job job{target, settings, sink, {}};
    job.Run();
    job.outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return job.outcome;
}
