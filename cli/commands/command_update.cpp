#include <chrono>
#include <cstdio>
#include <utility>

#include "cli/commands/commands.h"
#include "cli/commands/confirm.h"
#include "cli/commands/exit_codes.h"
#include "cli/commands/targets_or_exit.h"
#include "cli/fleet/child_protocol.h"
#include "cli/fleet/interruption.h"
#include "cli/fleet/parallel_runner.h"
#include "cli/fleet/rollout_run.h"
#include "cli/fleet/update_batch.h"
#include "cli/fleet/update_job.h"
#include "cli/output/json_events.h"
#include "cli/output/terminal.h"
#include "cli/report/host_name.h"
#include "cli/report/run_recorder.h"
#include "cli/report/text_in_place.h"

namespace {

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
    settings.policy = PolicyFrom(o);
    settings.verify = o.verify;
    settings.verifyTimeoutMs = static_cast<int>(o.verifyTimeoutSeconds * 1000);
    settings.retry.retries = o.retries;
    settings.retry.delayMs = static_cast<int>(o.retryDelaySeconds * 1000);
    return settings;
}

// An update child: one device's job, its events to the parent. It writes
// only the image the operator confirmed in the parent.
int RunUpdateChild(const CliOptions& o, const ImageReport& image) {
    UpdateJobTarget job;
    if (!ParseJobArgument(o.job, job)) {
        PrintTo(stderr, "tqm530r: bad --job \"%s\"\n", o.job.c_str());
        return kExitUsage;
    }
    ConsoleConnection console;
    console.waits = ConsoleWaitsFrom(AccessFrom(o));
    DeviceOutcome outcome;
    DeviceReport spans;  // its phases, for the history record
    const auto started = std::chrono::steady_clock::now();
    RecordDeviceStart(spans, 0);
    const EventSink sink = [&](const nlohmann::json& event) {
        RecordDeviceEvent(spans, event,
                          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        SendToParent(event);
    };
    const std::string mismatch = ImageMismatch(job, image.sha256);
    if (mismatch.empty()) {
        WatchDeviceInterruptions(console);
        outcome = RunUpdateJob(console, job.target, SettingsFrom(o, image), sink);
        EndDeviceWatch();
    } else {
        outcome.result = DeviceResult::Refused;
        outcome.detail = mismatch;
        outcome.attempts = 0;
    }
    RecordDeviceEvent(spans, {{"event", "result"}},
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    nlohmann::json extra = WaveRecord(job.wave);
    extra.update({{"phases", PhasesToJson(spans)}, {"host", ThisHostName()}});
    RecordUpdate(o.historyPath, job.target, image, outcome, extra);
    SendToParent(OutcomeToJson(outcome));
    return 0;
}

// --report and --metrics must be writable before any device is touched.
int CheckReportFiles(const CliOptions& o) {
    for (const auto& [option, path] : {std::pair{"--report", o.reportPath}, std::pair{"--metrics", o.metricsPath}}) {
        std::string error;
        if (path.empty() || CanWriteBeside(path, error)) continue;
        PrintTo(stderr, "tqm530r: %s: %s; nothing sent\n", option, error.c_str());
        return kExitUsage;
    }
    return -1;
}

}  // namespace

int RunUpdate(const CliOptions& o, const ImageReport& image) {
    if (!o.job.empty()) return RunUpdateChild(o, image);
    if (!ImageIsSound(image)) {
        PrintTo(stderr, "tqm530r: the %s image fails its self-check: %s; nothing sent\n", image.source.c_str(),
                ImageProblem(image).c_str());
        return kExitImage;
    }
    std::vector<DeviceTarget> targets;
    int rc = TargetsOrExitCode(o.command, ChoiceFrom(o), SearchFrom(o), o.port, targets);
    if (rc >= 0) return rc;
    rc = CheckReportFiles(o);
    if (rc >= 0) return rc;
    rc = ConfirmOrRefuse(o.yes, "update rewrites the devices' flash", Question(targets, image));
    if (rc >= 0) return rc;

    WatchParentInterruptions();
    const BatchOutput output = OutputFrom(o);
    const RolloutSettings rolloutSettings = RolloutFrom(o);
    const DeviceAccess access = AccessFrom(o);
    const VersionPolicy policy = PolicyFrom(o);
    UpdateBatch batch(output, image, targets);
    RunRecorder recorder(ReportFilesFrom(o), image, targets);
    batch.SetObserver(&recorder);
    batch.Start();
    RolloutRun rollout(rolloutSettings, access, policy, image, targets, batch);
    rollout.Prepare();
    ParallelJobs jobs;
    jobs.count = targets.size();
    jobs.nextJobs = [&] { return rollout.NextJobs(); };
    jobs.moreJobs = [&] { return rollout.MoreJobs(); };
    jobs.childArguments = [&](size_t i) { return JobArguments({i, targets[i], image.sha256, batch.Wave(i)}, o.arguments); };
    jobs.onStart = [&](size_t i) { batch.OnStart(i); };
    jobs.interrupted = [] { return ParentInterruptions() > 0; };
    jobs.onEvent = [&](size_t i, const nlohmann::json& e) { batch.OnEvent(i, e); };
    jobs.onExit = [&](size_t i, const std::string& text, bool) {
        batch.OnExit(i, text);
        rollout.Ended(i);
    };
    jobs.onTick = [&]() { return batch.OnTick(); };
    RunParallel(jobs);
    rollout.ReportNotStarted();
    const int exitCode = batch.Finish(BatchExitCode);
    // A run that did all else but lost its report does not end as a success.
    return recorder.Finish(exitCode) || exitCode != kExitOk ? exitCode : kExitFailed;
}
