#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "cli/commands.h"
#include "cli/confirm.h"
#include "cli/exit_codes.h"
#include "cli/history.h"
#include "cli/json_events.h"
#include "cli/parallel_runner.h"
#include "cli/progress_display.h"
#include "cli/summary_table.h"
#include "cli/targets.h"
#include "cli/update_job.h"

namespace {

using Clock = std::chrono::steady_clock;

// The parent's side of a batch: what each child reported, and the display.
class UpdateBatch {
public:
    UpdateBatch(const CliOptions& o, const ImageReport& image, const std::vector<DeviceTarget>& targets)
        : o_(o), image_(image), targets_(targets), bars_(stderr), plain_(stderr) {
        // Bars redraw in place, so they need a terminal with room for all of them.
        terminal_ = !o.json && ::isatty(STDERR_FILENO) && targets.size() + 2 < TerminalRows(STDERR_FILENO, 24);
        for (const DeviceTarget& t : targets) {
            DeviceProgress p;
            p.label = t.device.Label();
            p.totalLines = image.lines;
            progress_.push_back(p);
            labels_.push_back(p.label);
        }
        outcomes_.resize(targets.size());
        reported_.assign(targets.size(), false);
        transferStart_.resize(targets.size());
    }

    void Start() {
        if (o_.json) {
            PrintJsonLine({{"event", "start"},
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

    // A child that ended without its result (killed, crashed) failed.
    void OnExit(size_t i, const std::string& exitText) {
        if (reported_[i]) return;
        nlohmann::json event = OutcomeToJson(outcomes_[i]);
        event["detail"] = "the updater process ended without a result (" + exitText + ")";
        OnEvent(i, event);
    }

    void OnTick() {
        if (!terminal_ || !dirty_) return;
        bars_.Draw(progress_);
        dirty_ = false;
    }

    int Finish() {
        OnTick();
        WriteHistory();
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
        return BatchExitCode(outcomes_);
    }

private:
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

    void WriteHistory() {
        const std::string path = HistoryPath(o_.historyPath);
        for (size_t i = 0; i < outcomes_.size(); ++i) {
            const DeviceOutcome& d = outcomes_[i];
            const nlohmann::json record = {{"time", UtcTimestamp()},
                                           {"command", "update"},
                                           {"device", labels_[i]},
                                           {"ip", d.ip},
                                           {"port", targets_[i].device.port},
                                           {"mac", d.mac},
                                           {"old_version", d.oldVersion},
                                           {"new_version", d.newVersion},
                                           {"image_version", image_.version},
                                           {"image_sha256", image_.sha256},
                                           {"seconds", d.seconds},
                                           {"result", ResultName(d.result)},
                                           {"detail", d.detail}};
            std::string error;
            if (!AppendHistory(path, record, error)) std::fprintf(stderr, "tqm530r: history: %s\n", error.c_str());
        }
    }

    const CliOptions& o_;
    const ImageReport& image_;
    const std::vector<DeviceTarget>& targets_;
    std::vector<DeviceProgress> progress_;
    std::vector<std::string> labels_;
    std::vector<DeviceOutcome> outcomes_;
    std::vector<bool> reported_;
    std::vector<Clock::time_point> transferStart_;
    TerminalBars bars_;
    PlainProgress plain_;
    bool terminal_ = false;
    bool dirty_ = false;
};

std::string Question(const std::vector<DeviceTarget>& targets, const ImageReport& image) {
    std::string list;
    for (const DeviceTarget& t : targets) list += (list.empty() ? "" : ", ") + t.device.Label();
    return "Write firmware " + image.version + " into " + std::to_string(targets.size()) + " device(s): " + list +
           "?\nDo not plug or unplug cables during the update.";
}

}  // namespace

int RunUpdate(const CliOptions& o, const ImageReport& image) {
    if (!ImageIsSound(image)) {
        std::fprintf(stderr, "tqm530r: the carried image fails its self-check: %s; nothing sent\n",
                     ImageProblem(image).c_str());
        return kExitImage;
    }
    std::vector<DeviceTarget> targets;
    int rc = CollectTargets(o, targets);
    if (rc >= 0) return rc;
    rc = ConfirmOrRefuse(o.yes, "update rewrites the devices' flash", Question(targets, image));
    if (rc >= 0) return rc;

    UpdateSettings settings;
    settings.imageVersion = image.version;
    settings.imageLines = image.lines;
    settings.reinstall = o.reinstall;
    settings.allowOlder = o.allowOlder;
    settings.verify = o.verify;
    settings.verifyTimeoutMs = static_cast<int>(o.verifyTimeoutSeconds * 1000);

    UpdateBatch batch(o, image, targets);
    batch.Start();
    ParallelJobs jobs;
    jobs.count = targets.size();
    jobs.jobs = static_cast<size_t>(o.jobs);
    jobs.childMain = [&](size_t i, const std::function<void(const nlohmann::json&)>& send) {
        send(OutcomeToJson(RunUpdateJob(targets[i], settings, send)));
    };
    jobs.onEvent = [&](size_t i, const nlohmann::json& e) { batch.OnEvent(i, e); };
    jobs.onExit = [&](size_t i, const std::string& text, bool) { batch.OnExit(i, text); };
    jobs.onTick = [&]() { batch.OnTick(); };
    RunParallel(jobs);
    return batch.Finish();
}
