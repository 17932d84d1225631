#include "cli/fleet/rollout_run.h"

#include <algorithm>
#include <chrono>

#include "cli/device/device_plan.h"
#include "cli/fleet/bounded_threads.h"
#include "cli/fleet/child_protocol.h"
#include "cli/fleet/interruption.h"
#include "cli/output/progress_display.h"
#include "console/console_session.h"
#include "net/socket.h"

namespace {

std::vector<int> Sizes(const std::vector<int>& ends) {
    std::vector<int> sizes;
    for (size_t k = 0; k < ends.size(); ++k) sizes.push_back(ends[k] - (k == 0 ? 0 : ends[k - 1]));
    return sizes;
}

std::string Counts(const std::vector<int>& ends) {
    std::string text;
    for (const int size : Sizes(ends)) text += (text.empty() ? "" : ", ") + std::to_string(size);
    return text;
}

// A device skipped or refused by what its version read first said.
DeviceOutcome PlannedOutcome(const PlanRow& row) {
    DeviceOutcome d;
    d.result = row.action == "skip" ? DeviceResult::Skipped : DeviceResult::Refused;
    d.detail = row.reason;
    d.ip = row.ip;
    d.mac = row.mac;
    d.oldVersion = row.version;
    d.attempts = 0;
    return d;
}

// Empty while the device answers its login and runs the image's version;
// else why it counts as lost. What it reports goes to version.
std::string ReadAgain(const DeviceTarget& t, const DeviceAccess& access, const std::string& imageVersion,
                      std::string& version) {
    ConsoleConnection console;
    console.waits = ConsoleWaitsFrom(access);
    DeviceLock lock;
    DeviceVisit visit;
    if (!OpenDevice(console, t, lock, visit)) return visit.error;
    CloseConsole(console);
    version = visit.version;
    if (visit.version != imageVersion) return "it runs " + visit.version + ", not " + imageVersion;
    return "";
}

}  // namespace

RolloutRun::RolloutRun(const RolloutSettings& o, const DeviceAccess& access, const VersionPolicy& policy,
                       const ImageReport& image, const std::vector<DeviceTarget>& targets, UpdateBatch& batch)
    : o_(o), access_(access), policy_(policy), image_(image), targets_(targets), batch_(batch) {}

void RolloutRun::Announce(nlohmann::json event, const std::string& text) { batch_.Announce(event, "tqm530r: " + text); }

void RolloutRun::Prepare() {
    if (o_.Rollout())
        ReadVersionsFirst();
    else
        for (size_t i = 0; i < targets_.size(); ++i) order_.push_back(i);
    const int devices = static_cast<int>(order_.size());
    waveEnds_ = WaveEnds(o_.waves, devices);
    budget_ = FailureBudget(o_.maxFailures, devices);
    RolloutState::Settings settings;
    settings.waveEnds = waveEnds_;
    settings.budget = budget_;
    settings.jobs = o_.jobs;
    settings.soak = o_.soakSeconds > 0;
    state_ = RolloutState(settings);
    if (!waveEnds_.empty()) batch_.SetWaves(Sizes(waveEnds_), WaveOfEachDevice());
    if (!o_.Rollout()) return;
    std::string text = std::to_string(devices) + " device(s) to write";
    if (!waveEnds_.empty()) text += " in " + std::to_string(waveEnds_.size()) + " wave(s) of " + Counts(waveEnds_);
    if (budget_ >= 0) text += "; failure budget " + std::to_string(budget_);
    Announce({{"event", "rollout"}, {"to_write", devices}, {"waves", Sizes(waveEnds_)}, {"budget", budget_}}, text);
}

// --jobs devices at once, each on a thread of its own with its own console
// and lock; the display and the batch hear of them here alone. The devices
// to write keep the targets' order, whichever read ended first. After an
// interruption no further read starts: a device never read is neither
// written nor reported here.
void RolloutRun::ReadVersionsFirst() {
    std::vector<PlanRow> rows(targets_.size());
    std::vector<bool> toWrite(targets_.size(), false);
    BoundedWork reads;
    reads.count = targets_.size();
    reads.atOnce = static_cast<size_t>(std::max(o_.jobs, 0));
    reads.work = [&](size_t i) { rows[i] = PlanDevice(targets_[i], access_, policy_, image_); };
    size_t read = 0;
    const auto tellRead = [&] {
        batch_.SetStage("reading versions " + std::to_string(read) + " of " + std::to_string(targets_.size()));
    };
    tellRead();
    reads.onDone = [&](size_t i) {
        ++read;
        tellRead();
        toWrite[i] = PlanWouldWrite(rows[i]);
        if (!toWrite[i]) batch_.ReportFromParent(i, PlannedOutcome(rows[i]));
    };
    reads.onTick = [&] { batch_.OnTick(); };
    reads.interrupted = [] { return ParentInterruptions() > 0; };
    RunBounded(reads);
    batch_.SetStage("");
    for (size_t i = 0; i < targets_.size(); ++i)
        if (toWrite[i]) order_.push_back(i);
    batch_.OnTick();
}

std::vector<int> RolloutRun::WaveOfEachDevice() const {
    std::vector<int> waveOf(targets_.size(), 0);
    size_t wave = 0;
    for (size_t k = 0; k < order_.size(); ++k) {
        while (wave < waveEnds_.size() && static_cast<int>(k) >= waveEnds_[wave]) ++wave;
        waveOf[order_[k]] = static_cast<int>(wave) + 1;
    }
    return waveOf;
}

std::vector<size_t> RolloutRun::NextJobs() {
    for (;;) {
        const RolloutStep step = state_.Next();
        switch (step.kind) {
        case RolloutStep::Kind::Start: {
            std::vector<size_t> start;
            for (int device : step.devices) start.push_back(order_[static_cast<size_t>(device)]);
            return start;
        }
        case RolloutStep::Kind::Soak: Soak(step); continue;
        case RolloutStep::Kind::Wait: return {};
        case RolloutStep::Kind::Done: done_ = true; return {};
        }
    }
}

void RolloutRun::Ended(size_t target) {
    for (size_t k = 0; k < order_.size(); ++k)
        if (order_[k] == target) state_.Ended(static_cast<int>(k), batch_.Outcome(target).result);
    if (stopTold_ || state_.Stopped() != StopReason::BudgetExceeded) return;
    stopTold_ = true;
    Announce({{"event", "stopped"}, {"failures", state_.Failures()}, {"budget", budget_}},
             std::to_string(state_.Failures()) + " device(s) failed, more than the failure budget of " +
                 std::to_string(budget_) + ": no further device starts; running ones finish");
}

// After a wave: wait the soak, then log in to each device it wrote and read
// its version again. An interruption during the wait ends the run there.
void RolloutRun::Soak(const RolloutStep& step) {
    Announce(
        {{"event", "soak"}, {"wave", step.wave + 1}, {"seconds", o_.soakSeconds}, {"devices", step.devices.size()}},
        "wave " + std::to_string(step.wave + 1) + " of " + std::to_string(waveEnds_.size()) + " ended; soak " +
            SecondsText(o_.soakSeconds) + ", then reading its " + std::to_string(step.devices.size()) +
            " device(s) again");
    for (int device : step.devices) batch_.Observe(order_[static_cast<size_t>(device)], PhaseEvent(DevicePhase::Soak));
    if (!WaitSoak(o_.soakSeconds)) {
        for (int device : step.devices) batch_.Observe(order_[static_cast<size_t>(device)], {{"event", "soaked"}});
        state_.Interrupt();
        state_.SoakEnded({});
        return;
    }
    std::vector<int> lost;
    for (int device : step.devices) {
        const size_t i = order_[static_cast<size_t>(device)];
        std::string version;
        const std::string problem = ReadAgain(targets_[i], access_, image_.version, version);
        if (problem.empty()) {
            batch_.Observe(i, {{"event", "soaked"}});
            continue;
        }
        DeviceOutcome d = batch_.Outcome(i);
        d.result = DeviceResult::Failed;
        d.detail = "lost in the soak: " + problem;
        d.newVersion = version;
        batch_.ReportFromParent(i, d);
        lost.push_back(device);
    }
    state_.SoakEnded(lost);
}

// False when an interruption came during the wait.
bool RolloutRun::WaitSoak(double seconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    while (Clock::now() < until) {
        if (ParentInterruptions() > 0) return false;
        batch_.OnTick();
        NetSleep(50);
    }
    return ParentInterruptions() == 0;
}

void RolloutRun::ReportNotStarted() {
    if (state_.Stopped() != StopReason::BudgetExceeded) return;
    const std::string reason = "not started: " + std::to_string(state_.Failures()) +
                               " device(s) failed, more than the failure budget of " + std::to_string(budget_) +
                               " (--max-failures " + o_.maxFailuresText + ")";
    for (int device : state_.NotStarted()) {
        DeviceOutcome d;
        d.result = DeviceResult::NotStarted;
        d.detail = reason;
        d.attempts = 0;
        batch_.ReportFromParent(order_[static_cast<size_t>(device)], d);
    }
}
