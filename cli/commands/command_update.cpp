#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "cli/commands/commands.h"
#include "cli/commands/confirm.h"
#include "cli/commands/exit_codes.h"
#include "cli/output/history.h"
#include "cli/fleet/interruption.h"
#include "cli/fleet/job_arguments.h"
#include "cli/output/json_events.h"
#include "cli/fleet/parallel_runner.h"
#include "cli/output/progress_display.h"
#include "cli/fleet/subprocess.h"
#include "cli/output/summary_table.h"
#include "cli/device/targets.h"
#include "cli/output/terminal.h"
#include "cli/fleet/update_job.h"

namespace {

using Clock = std::chrono::steady_clock;

nlohmann::json UpdateRecord(const DeviceTarget& target, const ImageReport& image, const DeviceOutcome& d) {
    return {{"time", UtcTimestamp()},
            {"command", "update"},
            {"device", target.device.Label()},
            {"ip", d.ip},
            {"port", target.device.port},
            {"mac", d.mac},
            {"old_version", d.oldVersion},
            {"new_version", d.newVersion},
            {"image", image.source},
            {"image_version", image.version},
            {"image_sha256", image.sha256},
            {"seconds", d.seconds},
            {"attempts", d.attempts},
            {"result", ResultName(d.result)},
            {"detail", d.detail}};
}

// The device's own process writes its record, so that it is kept even when
// the parent is killed.
void AppendUpdateRecord(const CliOptions& o, const DeviceTarget& target, const ImageReport& image,
                        const DeviceOutcome& d) {
    std::string error;
    if (!AppendHistory(HistoryPath(o.historyPath), UpdateRecord(target, image, d), error))
        std::fprintf(stderr, "tqm530r: history: %s\n", error.c_str());
}

// The parent's side of a batch: what each child reported, and the display.
class UpdateBatch {
public:
    UpdateBatch(const CliOptions& o, const ImageReport& image, const std::vector<DeviceTarget>& targets)
        : o_(o), image_(image), targets_(targets), bars_(stderr), plain_(stderr) {
        // Bars redraw in place, so they need a terminal with room for all of them.
        terminal_ = !o.json && CanDrawBars(stderr) && targets.size() + 2 < TerminalRows(stderr, 24);
        for (const DeviceTarget& t : targets) {
            DeviceProgress p;
            p.label = t.device.Label();
            p.totalLines = image.lines;
            progress_.push_back(p);
            labels_.push_back(p.label);
        }
        outcomes_.resize(targets.size());
        reported_.assign(targets.size(), false);
        started_.assign(targets.size(), false);
        transferStart_.resize(targets.size());
    }

    void Start() {
        if (o_.json) {
            PrintJsonLine({{"event", "start"},
                           {"image", image_.source},
                           {"image", image_.source},
                           {"image_version", image_.version},
                           {"image_sha256", image_.sha256},
                           {"devices", labels_}});
        } else if (terminal_) {
            bars_.Draw(progress_);
        }
    }

    void OnEvent(size_t i, const nlohmann::json& event) {
        const DeviceProgress before = progress_[i];
        Apply(i, event);
        if (o_.json) {
            nlohmann::json shown = event;
            shown["device"] = labels_[i];
            PrintJsonLine(shown);
        } else if (!terminal_) {
            plain_.Report(before, progress_[i]);
        }
        dirty_ = true;
    }

    void OnStart(size_t i) { started_[i] = true; }

    // A child that ended without its result (killed, crashed) failed; its
    // record is written here, as the child could not.
    void OnExit(size_t i, const std::string& exitText) {
        if (reported_[i]) return;
        nlohmann::json event = OutcomeToJson(outcomes_[i]);
        event["detail"] = "the updater process ended without a result (" + exitText + ")";
        OnEvent(i, event);
        AppendUpdateRecord(o_, targets_[i], image_, outcomes_[i]);
    }

    void OnTick() {
        HeedInterruptions();
        if (!terminal_ || !dirty_) return;
        bars_.Draw(progress_, notice_);
        dirty_ = false;
    }

    int Finish() {
        MarkNotStarted();
        OnTick();
        if (o_.json) {
            nlohmann::json devices = nlohmann::json::array();
            for (size_t i = 0; i < outcomes_.size(); ++i) {
                nlohmann::json d = OutcomeToJson(outcomes_[i]);
                d.erase("event");
                d["device"] = labels_[i];
                devices.push_back(d);
            }
            PrintJsonLine({{"event", "summary"}, {"devices", devices}, {"exit_code", BatchExitCode(outcomes_)}});
        } else {
            if (terminal_) std::fputc('\n', stderr);
            PrintSummaryTable(stdout, labels_, outcomes_);
        }
        const int interrupted = InterruptionExitCode();
        return interrupted != 0 ? interrupted : BatchExitCode(outcomes_);
    }

private:
    // The first interruption stops what has not reached "flash"; the second
    // says what is still awaited; the third leaves at once, and the devices
    // that are flashing finish on their own.
    void HeedInterruptions() {
        const int heard = ParentInterruptions();
        if (heard == noticed_) return;
        noticed_ = heard;
        const std::vector<std::string> flashing = Flashing();
        if (heard >= 3) {
            Notice("tqm530r: leaving now; " + std::to_string(flashing.size()) +
                   " device(s) finish their flash and reset on their own and record it in the history");
            std::fflush(nullptr);
            std::_Exit(InterruptionExitCode());
        }
        const std::string waiting = "waiting for " + Joined(flashing) + " to finish \"flash\" and the reset";
        std::string text = "tqm530r: ";
        if (heard == 1) {
            text += "interrupted: no further device starts, devices before \"flash\" stop";
            if (!flashing.empty()) text += "; " + waiting;
        } else {
            text += flashing.empty() ? "stopping" : waiting + " (Ctrl-C again to leave them to finish alone)";
        }
        Notice(text);
    }

    // Running devices that have been sent "flash".
    std::vector<std::string> Flashing() const {
        std::vector<std::string> labels;
        for (size_t i = 0; i < progress_.size(); ++i) {
            const DeviceProgress& p = progress_[i];
            if (started_[i] && !p.finished && (p.phase == "flash" || p.phase == "reset" || p.phase == "verify"))
                labels.push_back(p.label);
        }
        return labels;
    }

    static std::string Joined(const std::vector<std::string>& labels) {
        std::string text;
        for (const std::string& l : labels) text += (text.empty() ? "" : ", ") + l;
        return text;
    }

    void Notice(const std::string& text) {
        if (o_.json) {
            PrintJsonLine({{"event", "interrupted"}, {"signals", noticed_}, {"text", text}});
        } else if (terminal_) {
            notice_ = text;
            dirty_ = true;
        } else {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
    }

    // Devices never started because of an interruption.
    void MarkNotStarted() {
        for (size_t i = 0; i < started_.size(); ++i) {
            if (started_[i]) continue;
            DeviceOutcome d;
            d.result = DeviceResult::Interrupted;
            d.detail = "not started (interrupted)";
            d.attempts = 0;
            OnEvent(i, OutcomeToJson(d));
        }
    }

    void Apply(size_t i, const nlohmann::json& event) {
        DeviceProgress& p = progress_[i];
        const std::string kind = event.value("event", "");
        if (kind == "phase") {
            p.phase = event.value("phase", p.phase);
            if (p.phase == "transfer") transferStart_[i] = Clock::now();
        } else if (kind == "progress") {
            p.percent = event.value("percent", p.percent);
            p.lines = event.value("lines", p.lines);
            p.totalLines = event.value("total_lines", p.totalLines);
            p.transferSeconds = std::chrono::duration<double>(Clock::now() - transferStart_[i]).count();
        } else if (kind == "retry") {
            p.attempt = event.value("attempt", p.attempt);
            p.attempts = event.value("attempts", p.attempts);
            char delay[32];
            std::snprintf(delay, sizeof delay, "%g s", event.value("delay_seconds", 0.0));
            p.retryNote = std::string("in ") + delay + " (" + event.value("reason", "") + ")";
            p.phase = "waiting to retry";
        } else if (kind == "result") {
            outcomes_[i] = OutcomeFromJson(event);
            reported_[i] = true;
            p.finished = true;
            p.ok = ResultIsSuccess(outcomes_[i].result);
            p.result = ResultName(outcomes_[i].result);
            p.detail = outcomes_[i].detail;
            p.lines = outcomes_[i].lines;
        }
    }

    const CliOptions& o_;
    const ImageReport& image_;
    const std::vector<DeviceTarget>& targets_;
    std::vector<DeviceProgress> progress_;
    std::vector<std::string> labels_;
    std::vector<DeviceOutcome> outcomes_;
    std::vector<bool> reported_;
    std::vector<bool> started_;
    std::vector<Clock::time_point> transferStart_;
    TerminalBars bars_;
    PlainProgress plain_;
    bool terminal_ = false;
    bool dirty_ = false;
    int noticed_ = 0;
    std::string notice_;
};

std::string Question(const std::vector<DeviceTarget>& targets, const ImageReport& image) {
    std::string list;
    for (const DeviceTarget& t : targets) list += (list.empty() ? "" : ", ") + t.device.Label();
    return "Write firmware " + image.version + " into " + std::to_string(targets.size()) + " device(s): " + list +
           "?\nDo not plug or unplug cables during the update.";
}

UpdateSettings SettingsFrom(const CliOptions& o, const ImageReport& image) {
    UpdateSettings settings;
    settings.image = image.bytes;
    settings.imageVersion = image.version;
    settings.imageLines = image.lines;
    settings.reinstall = o.reinstall;
    settings.allowOlder = o.allowOlder;
    settings.verify = o.verify;
    settings.verifyTimeoutMs = static_cast<int>(o.verifyTimeoutSeconds * 1000);
    settings.retries = o.retries;
    settings.retryDelayMs = static_cast<int>(o.retryDelaySeconds * 1000);
    return settings;
}

// An update child: one device's job, its events on standard output.
int RunUpdateChild(const CliOptions& o, const ImageReport& image) {
    UpdateJobTarget job;
    if (!ParseJobArgument(o.job, job)) {
        std::fprintf(stderr, "tqm530r: bad --job \"%s\"\n", o.job.c_str());
        return kExitUsage;
    }
    ConsoleConnection console;
    console.waits = ConsoleWaitsFrom(o);
    WatchDeviceInterruptions(console);
    auto send = [](const nlohmann::json& event) { WriteToParent(event.dump() + "\n"); };
    const DeviceOutcome outcome = RunUpdateJob(console, job.target, SettingsFrom(o, image), send);
    AppendUpdateRecord(o, job.target, image, outcome);
    send(OutcomeToJson(outcome));
    return 0;
}

}  // namespace

int RunUpdate(const CliOptions& o, const ImageReport& image) {
    if (!o.job.empty()) return RunUpdateChild(o, image);
    if (!ImageIsSound(image)) {
        std::fprintf(stderr, "tqm530r: the %s image fails its self-check: %s; nothing sent\n", image.source.c_str(),
                     ImageProblem(image).c_str());
        return kExitImage;
    }
    std::vector<DeviceTarget> targets;
    int rc = CollectTargets(o, targets);
    if (rc >= 0) return rc;
    rc = ConfirmOrRefuse(o.yes, "update rewrites the devices' flash", Question(targets, image));
    if (rc >= 0) return rc;

    WatchParentInterruptions();
    UpdateBatch batch(o, image, targets);
    batch.Start();
    ParallelJobs jobs;
    jobs.count = targets.size();
    jobs.jobs = static_cast<size_t>(o.jobs);
    jobs.childArguments = [&](size_t i) { return JobArguments({i, targets[i]}, o.arguments); };
    jobs.onStart = [&](size_t i) { batch.OnStart(i); };
    jobs.interrupted = [] { return ParentInterruptions() > 0; };
    jobs.onEvent = [&](size_t i, const nlohmann::json& e) { batch.OnEvent(i, e); };
    jobs.onExit = [&](size_t i, const std::string& text, bool) { batch.OnExit(i, text); };
    jobs.onTick = [&]() { batch.OnTick(); };
    RunParallel(jobs);
    return batch.Finish();
}
