#include "cli/fleet/update_batch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli/fleet/child_protocol.h"
#include "cli/fleet/interruption.h"
#include "cli/output/display_width.h"
#include "cli/output/history.h"
#include "cli/output/json_events.h"
#include "cli/output/messages.h"
#include "cli/output/stored_json.h"
#include "cli/output/terminal.h"
#include "cli/output/utc_time.h"

namespace {

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

// The inventory's name on each event of a named device, for JSON and the observer.
nlohmann::json Named(const nlohmann::json& event, const std::string& name) {
    if (name.empty() || event.contains("name")) return event;
    nlohmann::json named = event;
    named["name"] = name;
    return named;
}

// A result that came after the parent stopped its silent process: unless
// the operator interrupted the run too, a failure; it says why.
nlohmann::json AfterSilence(nlohmann::json result, const std::string& silence) {
    const bool interrupted = result.value("result", "") == ResultName(DeviceResult::Interrupted);
    if (interrupted && ParentInterruptions() == 0) result["result"] = ResultName(DeviceResult::Failed);
    result["detail"] = "the updater process was " + silence + " and was asked to stop; " + result.value("detail", "");
    return result;
}

std::string Joined(const std::vector<std::string>& labels) {
    std::string text;
    for (const std::string& l : labels) text += (text.empty() ? "" : ", ") + l;
    return text;
}

}  // namespace

nlohmann::json WaveRecord(int wave) {
    if (wave <= 0) return nlohmann::json::object();
    return {{"wave", wave}};
}

void RecordUpdate(const std::string& historyPath, const DeviceTarget& target, const ImageReport& image,
                  const DeviceOutcome& d, const nlohmann::json& extra) {
    nlohmann::json record = UpdateRecord(target, image, d);
    if (!target.name.empty()) record["name"] = target.name;
    record.update(extra);
    std::string error;
    if (!AppendHistory(HistoryPath(historyPath), record, error))
        PrintTo(stderr, "tqm530r: history: %s\n", error.c_str());
}

UpdateBatch::UpdateBatch(const BatchOutput& o, const ImageReport& image, const std::vector<DeviceTarget>& targets)
    : o_(o), image_(image), view_(o.json, o.progress), start_(std::chrono::steady_clock::now()) {
    for (const DeviceTarget& t : targets) {
        DeviceRun run;
        run.target = t;
        run.outcome.name = t.name;
        // A listed device that did not answer has no address: its name stands for it.
        run.progress.label = t.device.host.empty() ? t.name : t.device.Label();
        if (run.progress.label != t.name) run.progress.name = t.name;
        run.progress.totalLines = image.lines;
        labelWidth_ = std::max(labelWidth_, DisplayWidth(ShownLabel(run.progress)));
        devices_.push_back(run);
    }
}

void UpdateBatch::Start() {
    std::vector<std::string> labels;
    for (const DeviceRun& d : devices_) labels.push_back(d.progress.label);
    view_.Start({{"event", "start"},
                 {"image", image_.source},
                 {"image_version", image_.version},
                 {"image_sha256", image_.sha256},
                 {"devices", labels}});
}

void UpdateBatch::OnStart(size_t i) {
    DeviceRun& d = devices_[i];
    d.started = true;
    d.progress.started = true;
    d.progress.startedAt = std::chrono::steady_clock::now();
    view_.Started(d.progress);
    if (observer_) observer_->DeviceStarted(i);
}

void UpdateBatch::OnEvent(size_t i, const nlohmann::json& event) {
    const bool stopped = !devices_[i].silence.empty() && event.value("event", "") == "result";
    Show(i, stopped ? AfterSilence(event, devices_[i].silence) : event);
}

void UpdateBatch::Show(size_t i, const nlohmann::json& unnamed) {
    DeviceRun& d = devices_[i];
    const nlohmann::json event = Named(unnamed, d.target.name);
    if (observer_) observer_->DeviceEvent(i, event);
    const DeviceProgress before = d.progress;
    if (FieldText(event, "event") == "result") {
        d.outcome = OutcomeFromJson(event);
        d.reported = true;
        ShowResult(d.progress, d.outcome);
    } else {
        ApplyEvent(d.progress, event, std::chrono::steady_clock::now());
    }
    view_.Event(event, before, d.progress);
}

void UpdateBatch::OnDamagedLines(size_t i, size_t lines) { devices_[i].damagedLines = lines; }

void UpdateBatch::OnExit(size_t i, const std::string& exitText) {
    DeviceRun& d = devices_[i];
    if (d.reported) return;
    nlohmann::json event = OutcomeToJson(d.outcome);
    event["detail"] = "the updater process ended without a result (" + exitText + ")";
    Show(i, event);
    RecordUpdate(o_.historyPath, d.target, image_, d.outcome);
}

bool UpdateBatch::OnTick() {
    HeedInterruptions();
    const auto now = std::chrono::steady_clock::now();
    if (view_.Due(now)) view_.Tick(Snapshot(now));
    return noticed_ < 3;
}

int UpdateBatch::Finish(int (*exitCodeOf)(const std::vector<DeviceOutcome>& outcomes)) {
    if (noticed_ >= 3) return InterruptionExitCode();
    MarkNotStarted();
    HeedInterruptions();
    view_.End(Snapshot(std::chrono::steady_clock::now()));
    std::vector<std::string> labels;
    std::vector<DeviceOutcome> outcomes;
    for (const DeviceRun& d : devices_) {
        labels.push_back(d.progress.label);
        outcomes.push_back(d.outcome);
    }
    view_.Summary(labels, outcomes, exitCodeOf(outcomes));
    for (const DeviceRun& d : devices_)
        if (d.damagedLines > 0) PrintTo(stderr, "%s\n", DamagedEventsNote(d.damagedLines, d.progress.label).c_str());
    const int interrupted = InterruptionExitCode();
    return interrupted != 0 ? interrupted : exitCodeOf(outcomes);
}

void UpdateBatch::ReportFromParent(size_t i, const DeviceOutcome& d) {
    Show(i, OutcomeToJson(d));
    RecordUpdate(o_.historyPath, devices_[i].target, image_, d, WaveRecord(devices_[i].wave));
}

void UpdateBatch::SetWaves(const std::vector<int>& sizes, const std::vector<int>& waveOf) {
    for (size_t i = 0; i < devices_.size() && i < waveOf.size(); ++i) devices_[i].wave = waveOf[i];
    waves_ = static_cast<int>(sizes.size());
    if (observer_) observer_->WavesPlanned(sizes, waveOf);
}

void UpdateBatch::Observe(size_t i, const nlohmann::json& event) {
    if (observer_) observer_->DeviceEvent(i, event);
}

void UpdateBatch::Announce(const nlohmann::json& event, const std::string& text) {
    if (o_.json)
        PrintJsonLine(event);
    else
        view_.Notice(text, noticed_);
}

// The first interruption stops what has not reached "flash"; the second says
// what is still awaited; the third leaves at once, and the devices that are
// flashing finish on their own.
void UpdateBatch::HeedInterruptions() {
    const int heard = ParentInterruptions();
    if (heard == noticed_) return;
    noticed_ = heard;
    const std::vector<std::string> flashing = Flashing();
    if (heard >= 3) {
        Notice(Formatted(Tr("tqm530r: leaving now; %zu device(s) finish their flash and reset on their own and record "
                            "it in the history"),
                         flashing.size()));
        return;
    }
    const std::string waiting = Formatted(Tr("waiting for %s to finish \"flash\" and the reset"), Joined(flashing).c_str());
    std::string text = "tqm530r: ";
    if (heard == 1) {
        text += Tr("interrupted: no further device starts, devices before \"flash\" stop");
        if (!flashing.empty()) text += Tr("; ") + waiting;
    } else {
        text += flashing.empty() ? Tr("stopping") : Formatted(Tr("%s (Ctrl-C again to leave them to finish alone)"), waiting.c_str());
    }
    Notice(text);
}

// Running devices that have been sent "flash".
std::vector<std::string> UpdateBatch::Flashing() const {
    std::vector<std::string> labels;
    for (const DeviceRun& d : devices_) {
        const DeviceProgress& p = d.progress;
        if (d.started && !p.finished && TraitsOf(p.phase).pastFlash) labels.push_back(p.label);
    }
    return labels;
}

RunSnapshot UpdateBatch::Snapshot(std::chrono::steady_clock::time_point now) const {
    RunSnapshot run;
    run.start = start_;
    run.now = now;
    run.waves = waves_;
    run.labelWidth = labelWidth_;
    run.stage = stage_;
    for (const DeviceRun& d : devices_) {
        run.devices.push_back(d.progress);
        // The wave under way is the latest one a device has started in.
        if (d.started) run.wave = std::max(run.wave, d.wave);
    }
    return run;
}

void UpdateBatch::Notice(const std::string& text) { view_.Notice(text, noticed_); }

// Devices never started because of an interruption.
void UpdateBatch::MarkNotStarted() {
    for (size_t i = 0; i < devices_.size(); ++i) {
        if (devices_[i].started || devices_[i].reported) continue;
        DeviceOutcome d;
        d.result = DeviceResult::Interrupted;
        d.detail = "not started (interrupted)";
        d.attempts = 0;
        Show(i, OutcomeToJson(d));
    }
}
