#include "cli/fleet/update_job.h"

#include <algorithm>
#include <chrono>

#include "cli/device/device_lock.h"
#include "cli/device/verify_reset.h"
#include "cli/device/version_policy.h"
#include "cli/fleet/child_protocol.h"
#include "cli/fleet/interruption.h"
#include "cli/platform/ui_language.h"
#include "console/console_session.h"
#include "console/firmware_transfer.h"
#include "firmware/firmware_version.h"
#include "net/socket.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kProgressEvery = std::chrono::milliseconds(100);

DevicePhase PhaseOf(UpdatePhase phase) {
    switch (phase) {
    case UpdatePhase::Transfer: return DevicePhase::Transfer;
    case UpdatePhase::Check: return DevicePhase::Check;
    case UpdatePhase::Flash: return DevicePhase::Flash;
    case UpdatePhase::Reset: return DevicePhase::Reset;
    }
    return DevicePhase::Waiting;
}

// Turns the engine's steps and progress into phase and progress events, at
// most one progress event per 100 ms besides each change of percent.
class JobObserver : public UpdateObserver {
public:
    JobObserver(const EventSink& sink, unsigned totalLines) : sink_(sink), totalLines_(totalLines) {}

    void OnPhase(UpdatePhase phase, int percent) override {
        if (phase == UpdatePhase::Flash) flashCommitted_ = CommitToFlash();
        sink_(PhaseEvent(PhaseOf(phase)));
        ShowPercent(percent);
    }
    bool StopRequested() override { return !flashCommitted_ && DeviceInterrupted(); }
    // "flash" may have reached the device: a failure now is never retried.
    bool FlashCommitted() const { return flashCommitted_; }
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
    bool flashCommitted_ = false;
    Clock::time_point last_{};
};

const char* FailureText(UpdateFailure failure) {
    switch (failure) {
    case UpdateFailure::SendFailed: return N_("a send to the device failed");
    case UpdateFailure::ConnectionEnded: return N_("the device closed the connection during the transfer");
    case UpdateFailure::TimedOut: return N_("the device stopped answering image lines");
    case UpdateFailure::NoChecksum: return N_("no \"sum  :\" after \"check\" (the device refused the image?)");
    case UpdateFailure::FlashIncomplete: return N_("flashing did not report \"complete\" twice in time");
    case UpdateFailure::ResetNotSent: return N_("flashed, but \"reset\" could not be sent: restart the device");
    case UpdateFailure::Stopped: return N_("stopped before \"flash\"");
    case UpdateFailure::None: break;
    }
    return N_("the update failed");
}

constexpr const char* kInterruptedText = N_("interrupted before \"flash\"; nothing was written, the old firmware runs");

bool VersionsEqual(const std::string& a, const std::string& b) {
    return ParseFirmwareVersion(a.c_str()) == ParseFirmwareVersion(b.c_str());
}

// Waits ms unless interrupted first; false when interrupted.
bool PauseUnlessInterrupted(int ms) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
    while (!DeviceInterrupted() && Clock::now() < until) NetSleep(50);
    return !DeviceInterrupted();
}

// One device's update: attempts until it is done, or fails after "flash",
// or fails in a way that another try cannot mend.
struct Job {
    ConsoleConnection& console;
    const DeviceTarget& target;
    const UpdateSettings& settings;
    const EventSink& sink;
    DeviceOutcome outcome;
    DeviceLock lock;
    bool reserved = false;
    bool flashCommitted = false;

    // Records how the job ended; false, so that a step can end with it.
    bool End(DeviceResult result, std::string detail) {
        outcome.result = result;
        outcome.detail = std::move(detail);
        return false;
    }

    // Before "flash" nothing was written: another try may mend these.
    static bool Retryable(OpenFailure failure) {
        return failure == OpenFailure::Unreachable || failure == OpenFailure::NoLogin ||
               failure == OpenFailure::NoVersion;
    }

    static DeviceResult OpenFailureResult(OpenFailure failure) {
        switch (failure) {
        case OpenFailure::Busy: return DeviceResult::Busy;
        case OpenFailure::MacChanged: return DeviceResult::Mismatch;
        default: return DeviceResult::Failed;
        }
    }

    // Resolve and lock once; then connect, check the identity, log in, read
    // the version. False with retry set when another try may succeed.
    bool Open(bool& retry) {
        DeviceVisit visit;
        visit.ip = outcome.ip;
        auto hook = [this](DevicePhase step) { sink(PhaseEvent(step)); };
        const bool opened = reserved ? OpenReservedDevice(console, target, visit, hook)
                                     : OpenDevice(console, target, lock, visit, hook);
        reserved = reserved || (visit.failure != OpenFailure::Unresolved && visit.failure != OpenFailure::Busy);
        outcome.ip = visit.ip;
        outcome.mac = visit.mac.empty() ? target.searchMac : visit.mac;
        if (!visit.version.empty()) outcome.oldVersion = visit.version;
        retry = !opened && Retryable(visit.failure);
        return opened || End(OpenFailureResult(visit.failure), visit.error);
    }

    bool Transfer(bool& retry) {
        JobObserver observer(sink, settings.imageLines);
        console.completeCounting = CompleteCounting::PerAnswer;
        const UpdateResult r = RunFirmwareUpdate(console, settings.image, observer);
        outcome.lines = r.lineSends;
        flashCommitted = observer.FlashCommitted();
        CloseConsole(console);
        if (r.ok) return true;
        retry = !flashCommitted;
        if (flashCommitted) return End(DeviceResult::Failed, FailureText(r.failure) + ReportAfterFlash());
        return End(DeviceResult::Failed, FailureText(r.failure));
    }

    // What the device says of itself after a failure at or after "flash".
    std::string ReportAfterFlash() {
        if (DeviceInterrupted()) return "; its version was not read (interrupted)";
        sink(PhaseEvent(DevicePhase::Verify));
        const VerifyResult v =
            AwaitDeviceVersion(console, target, outcome.ip, settings.verifyTimeoutMs, DeviceInterrupted);
        if (!v.answered) return "; afterwards the device did not tell its version";
        outcome.newVersion = v.version;
        return "; afterwards the device reports " + v.version;
    }

    void Verify() {
        if (!settings.verify) {
            End(DeviceResult::Updated, "written, not verified (--no-verify)");
            return;
        }
        if (DeviceInterrupted()) {
            End(DeviceResult::Updated, "written and reset; the verify was skipped (interrupted)");
            return;
        }
        sink(PhaseEvent(DevicePhase::Verify));
        const VerifyResult v =
            AwaitDeviceVersion(console, target, outcome.ip, settings.verifyTimeoutMs, DeviceInterrupted);
        outcome.newVersion = v.version;
        if (!v.answered && DeviceInterrupted()) {
            End(DeviceResult::Updated, "written and reset; the verify was skipped (interrupted)");
        } else if (!v.answered) {
            End(DeviceResult::Unverified, v.error);
        } else if (!VersionsEqual(v.version, settings.imageVersion)) {
            End(DeviceResult::Unverified,
                "the device came back with " + v.version + ", not the image's " + settings.imageVersion);
        } else {
            End(DeviceResult::Verified, "running " + v.version + " after the reset");
        }
    }

    // One try from the connect; true when another try may mend its failure.
    bool Attempt() {
        bool retry = false;
        if (!Open(retry)) return retry;
        const PolicyDecision decision = DecideAction(outcome.oldVersion, settings.imageVersion, settings.policy);
        if (decision.action != PlanAction::Update) {
            CloseConsole(console);
            outcome.newVersion = outcome.oldVersion;
            End(decision.action == PlanAction::Skip ? DeviceResult::Skipped : DeviceResult::Refused, decision.reason);
            return false;
        }
        if (!Transfer(retry)) return retry;
        Verify();
        return false;
    }

    void Run() {
        for (int attempt = 1;; ++attempt) {
            outcome.attempts = attempt;
            if (DeviceInterrupted()) break;
            const bool retry = Attempt();
            if (!settings.retry.TriesAgain(attempt, retry) || DeviceInterrupted()) break;
            const int delayMs = settings.retry.DelayMs(attempt);
            sink(RetryEvent(attempt + 1, settings.retry.retries + 1, outcome.detail, delayMs));
            if (!PauseUnlessInterrupted(delayMs)) break;
        }
        // A device stopped before "flash" is interrupted, not failed.
        if (DeviceInterrupted() && !flashCommitted && outcome.result == DeviceResult::Failed)
            End(DeviceResult::Interrupted, kInterruptedText);
    }
};

// The delay a "retry" event announces, within the rule's cap; 0 for any
// other event.
long long RetryDelayMs(const nlohmann::json& event) {
    if (!event.is_object() || event.find("event") == event.end() || event["event"] != "retry") return 0;
    const auto delay = event.find("delay_seconds");
    if (delay == event.end() || !delay->is_number()) return 0;
    const double seconds = delay->get<double>();
    if (!(seconds > 0)) return 0;
    return static_cast<long long>(std::min(seconds, RetryRule::kMaxDelaySeconds) * 1000);
}

}  // namespace

DeviceOutcome RunUpdateJob(ConsoleConnection& console, const DeviceTarget& target, const UpdateSettings& settings,
                           const EventSink& sink) {
    const Clock::time_point start = Clock::now();
    Job job{console, target, settings, sink, {}, {}, false, false};
    job.Run();
    job.outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return job.outcome;
}

long long JobSilenceBoundMs(const ConsoleTimeouts& waits, int verifyTimeoutMs, const nlohmann::json& event) {
    constexpr long long kMarginMs = 60000;
    // Connect, login and version each wait up to loginMs.
    const long long reach = 3LL * waits.loginMs;
    const long long longest =
        std::max({reach, static_cast<long long>(waits.lineMs), static_cast<long long>(waits.checksumMs),
                  2LL * waits.completeMs, verifyTimeoutMs + reach});
    return longest + RetryDelayMs(event) + kMarginMs;
}
