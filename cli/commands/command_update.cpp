#include "cli/commands/command_update.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "cli/commands/common_options.h"
#include "cli/commands/confirm.h"
#include "cli/commands/exit_codes.h"
#include "cli/commands/targets_or_exit.h"
#include "cli/fleet/child_protocol.h"
#include "cli/fleet/interruption.h"
#include "cli/fleet/parallel_runner.h"
#include "cli/fleet/rollout_run.h"
#include "cli/fleet/update_batch.h"
#include "cli/fleet/update_job.h"
#include "cli/output/messages.h"
#include "cli/output/json_events.h"
#include "cli/output/terminal.h"
#include "cli/output/visible_text.h"
#include "cli/platform/host_name.h"
#include "cli/report/run_recorder.h"
#include "cli/report/text_in_place.h"
#include "console/console_limits.h"

namespace {

std::string Shown(const DeviceTarget& t) {
    return t.name.empty() ? t.device.Label() : t.name + " (" + t.device.Label() + ")";
}

std::string Question(const std::vector<DeviceTarget>& targets, const InventoryMatch& match, const ImageReport& image) {
    std::string list;
    for (const DeviceTarget& t : targets) list += (list.empty() ? "" : ", ") + VisibleText(Shown(t));
    std::string question =
        Formatted(Tr("Write firmware %s into %zu device(s): %s?"), image.version.c_str(), targets.size(), list.c_str());
    if (!match.missing.empty())
        question += Formatted(Tr("\n%zu device(s) of the inventory did not answer (\"not found\"): %s"),
                              match.missing.size(), VisibleText(NamesText(match.missing)).c_str());
    return question + Tr("\nDo not plug or unplug cables during the update.");
}

// The listed devices that did not answer, after those found: each is
// reported "not found" by the parent, by its name and MAC.
std::vector<DeviceTarget> WithMissing(std::vector<DeviceTarget> targets, const InventoryMatch& match, int port) {
    for (const InventoryDevice& d : match.missing) {
        DeviceTarget t;
        t.device.port = static_cast<unsigned short>(port);
        t.searchMac = d.mac;
        t.name = d.name;
        targets.push_back(t);
    }
    return targets;
}

void ReportMissing(UpdateBatch& batch, size_t found, const InventoryMatch& match) {
    for (size_t k = 0; k < match.missing.size(); ++k) {
        DeviceOutcome d;
        d.result = DeviceResult::NotFound;
        d.detail = "listed in the inventory (line " + std::to_string(match.missing[k].line) +
                   "), but it did not answer the search";
        d.mac = match.missing[k].mac;
        d.attempts = 0;
        batch.ReportFromParent(found + k, d);
    }
}

// Devices that answered but are not listed are never logged in to; said once.
void AnnounceUnlisted(UpdateBatch& batch, const InventoryMatch& match) {
    if (match.unlisted.empty()) return;
    nlohmann::json devices = nlohmann::json::array();
    std::string text;
    for (const FoundDevice& d : match.unlisted) {
        devices.push_back({{"ip", d.ip}, {"mac", d.mac}});
        text += (text.empty() ? "" : ", ") + d.ip + " (" + d.mac + ")";
    }
    batch.Announce({{"event", "unlisted"}, {"devices", devices}},
                   "tqm530r: not in the inventory, not touched: " + VisibleText(text));
}

UpdateSettings SettingsFrom(const UpdateOptions& o, const ImageReport& image) {
    UpdateSettings settings;
    settings.image = image.bytes;
    settings.imageVersion = image.version;
    settings.imageLines = image.lines;
    settings.policy = o.policy;
    settings.verify = o.verify;
    settings.verifyTimeoutMs = static_cast<int>(o.verifyTimeoutSeconds * 1000);
    settings.retry.retries = o.retries;
    settings.retry.delayMs = static_cast<int>(o.retryDelaySeconds * 1000);
    return settings;
}

// An update child: one device's job, its events to the parent. It writes
// only the image the operator confirmed in the parent.
int RunUpdateChild(const UpdateOptions& o, const std::string& jobText, const ImageReport& image) {
    UpdateJobTarget job;
    if (!ParseJobArgument(jobText, job)) {
        PrintTo(stderr, "tqm530r: bad --job \"%s\"\n", jobText.c_str());
        return kExitUsage;
    }
    ConsoleConnection console;
    console.waits = ConsoleWaitsFrom(o.access);
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
    RecordUpdate(o.output.historyPath, job.target, image, outcome, extra);
    SendToParent(OutcomeToJson(outcome));
    return 0;
}

// --report and --metrics must be writable before any device is touched.
int CheckReportFiles(const ReportFiles& o) {
    for (const auto& [option, path] : {std::pair{"--report", o.reportPath}, std::pair{"--metrics", o.metricsPath}}) {
        std::string error;
        if (path.empty() || CanWriteBeside(path, error)) continue;
        PrintTo(stderr, Tr("tqm530r: %s: %s; nothing sent\n"), option, error.c_str());
        return kExitUsage;
    }
    return -1;
}

void AddRetries(CLI::App& c, UpdateOptions& o) {
    c.add_option("--retries", o.retries,
                 Tr("N: tries again from the connect a device whose update fails before \"flash\" was sent"))
        ->transform(WholeIn(0, RetryRule::kMaxRetries, "N"))
        ->default_val(RetryRule::kDefaultRetries);
    c.add_option("--retry-delay", o.retryDelaySeconds, Tr("SECONDS before the first retry, doubling each time"))
        ->check(Seconds())
        ->default_val(RetryRule::kDefaultDelaySeconds);
}

void AddReportFiles(CLI::App& c, ReportFiles& o) {
    c.add_option("--report", o.reportPath,
                 Tr("FILE.html: the run as one page that needs no network (image, host, options, each device with "
                 "its result and reason, failures first, a timeline coloured by phase); written also when the "
                 "run fails or is interrupted"));
    c.add_option("--metrics", o.metricsPath,
                 Tr("FILE: the run in the Prometheus text format for a textfile collector (devices by result, "
                 "durations, image version, end and last success times), renamed into place"));
}

void AddProgress(CLI::App& c, ProgressMode& mode) {
    c.add_option_function<std::string>(
         "--progress", [&mode](const std::string& text) { ProgressModeFromName(text, mode); },
         Tr("auto|bars|plain|none: how the run shows on stderr while it goes. bars: a region at the bottom of "
         "the terminal, as high as it allows, drawn again a few times a second (the run's counts, elapsed and "
         "time left, a bar per running device that fits), each finished device printed once above it; plain: "
         "a line for each device's start, retry and end, and the run's counts every 30 s; none: only the "
         "table; auto: bars on a terminal, else plain. --json prints its events instead"))
        ->transform(Allowed(
            [](std::string& text) {
                ProgressMode mode;
                return ProgressModeFromName(text, mode);
            },
            Tr("auto, bars, plain or none")))
        ->default_str("auto");
}

}  // namespace

void AddUpdateOptions(CLI::App& c, UpdateOptions& o, MainSettings& main) {
    c.footer(
        Tr("Each device: connect, (with --all) the MAC check, login, version, the version policy,\n"
        "initbuf, every image line, check, flash, reset, then the verify: the device must come\n"
        "back and report the image's version. Asks on a terminal unless --yes; refuses without\n"
        "--yes when standard input is not a terminal.\n"
        "With --waves, --max-failures or --soak the run is a rollout: every device's version is\n"
        "read first (as plan does) and the waves count the devices the policy would write; a wave\n"
        "starts when the one before has ended. Once more devices have failed than --max-failures\n"
        "allows, no further device starts, running ones finish, and the rest are reported\n"
        "\"not started\" (exit 6). Exactly the budget goes on."));
    CLI::Option* hosts = c.add_option("hosts", o.targets.hosts, Tr("HOST[:PORT] of each device"));
    CLI::Option* all = c.add_flag("--all", o.targets.all, Tr("search first and update every TQM-530R found"));
    hosts->excludes(all);
    AddExpect(c, o.search, Tr("; nothing is written"))->needs(all);
    AddInventory(c, o.targets.inventoryPath,
                 Tr("; only the devices it lists are written, one not listed is never logged in to, and a listed "
                 "device that did not answer is \"not found\" (exit 1)"))
        ->needs(all);
    c.add_flag("-y,--yes", o.yes, Tr("do not ask for confirmation"));
    c.add_option("-j,--jobs", o.rollout.jobs, Tr("N devices at once (default: all; with --waves, within each wave)"))
        ->transform(WholeIn(1, 1024, "N"));
    AddRollout(c, o.rollout);
    AddPort(c, o.access);
    AddPolicy(c, o.policy);
    c.add_flag_callback(
        "--no-verify", [&o]() { o.verify = false; }, Tr("do not wait for the device to come back after the reset"));
    c.add_option("--verify-timeout", o.verifyTimeoutSeconds, Tr("SECONDS to wait for the device after the reset"))
        ->check(Seconds())
        ->default_val(kVerifyTimeoutMs / 1000);
    c.add_option("--flash-timeout", o.access.flashTimeoutSeconds, Tr("SECONDS to wait for each \"complete\" of flashing"))
        ->check(Seconds())
        ->default_val(ConsoleTimeouts{}.completeMs / 1000);
    AddRetries(c, o);
    AddTimeout(c, o.access);
    AddTrace(c, main);
    AddSearch(c, o.search);
    AddImage(c, main);
    AddImageSha256(c, main);
    AddHistory(c, o.output.historyPath);
    AddReportFiles(c, o.reports);
    AddProgress(c, o.output.progress);
    AddJson(c, o.output.json, N_("JSON events, one object a line, instead of bars and the table"));
}

int RunUpdate(const UpdateOptions& o, const MainSettings& main, const ImageReport& image) {
    if (!main.job.empty()) return RunUpdateChild(o, main.job, image);
    if (!ImageIsSound(image)) {
        PrintTo(stderr, Tr("tqm530r: the %s image fails its self-check: %s; nothing sent\n"), image.source.c_str(),
                TrText(ImageProblem(image)).c_str());
        return kExitImage;
    }
    std::vector<DeviceTarget> found;
    InventoryMatch match;
    int rc = TargetsOrExitCode("update", o.targets, o.search, o.access.port, found, &match);
    if (rc >= 0) return rc;
    rc = CheckReportFiles(o.reports);
    if (rc >= 0) return rc;
    rc = ConfirmOrRefuse(o.yes, Tr("update rewrites the devices' flash"), Question(found, match, image));
    if (rc >= 0) return rc;

    // The devices found come first: the rollout starts those alone.
    const std::vector<DeviceTarget> targets = WithMissing(found, match, o.access.port);
    WatchParentInterruptions();
    UpdateBatch batch(o.output, image, targets);
    ReportFiles reports = o.reports;
    reports.arguments = main.arguments;
    RunRecorder recorder(reports, image, targets);
    recorder.Unlisted(match.unlisted);
    batch.SetObserver(&recorder);
    batch.Start();
    AnnounceUnlisted(batch, match);
    ReportMissing(batch, found.size(), match);
    RolloutRun rollout(o.rollout, o.access, o.policy, image, found, batch);
    rollout.Prepare();
    ParallelJobs jobs;
    jobs.count = found.size();
    jobs.nextJobs = [&] { return rollout.NextJobs(); };
    jobs.moreJobs = [&] { return rollout.MoreJobs(); };
    jobs.childArguments = [&](size_t i) {
        return JobArguments({i, targets[i], image.sha256, batch.Wave(i)}, main.arguments);
    };
    jobs.onStart = [&](size_t i) { batch.OnStart(i); };
    jobs.interrupted = [] { return ParentInterruptions() > 0; };
    jobs.onEvent = [&](size_t i, const nlohmann::json& e) { batch.OnEvent(i, e); };
    jobs.onDamagedLines = [&](size_t i, size_t lines) { batch.OnDamagedLines(i, lines); };
    jobs.onExit = [&](size_t i, const std::string& text, bool) {
        batch.OnExit(i, text);
        rollout.Ended(i);
    };
    jobs.onTick = [&]() { return batch.OnTick(); };
    const ConsoleTimeouts waits = ConsoleWaitsFrom(o.access);
    const int verifyMs = SettingsFrom(o, image).verifyTimeoutMs;
    jobs.silenceBoundMs = [&](const nlohmann::json& e) { return JobSilenceBoundMs(waits, verifyMs, e); };
    jobs.onOverdue = [&](size_t i, const std::string& silence) { batch.OnOverdue(i, silence); };
    RunParallel(jobs);
    rollout.ReportNotStarted();
    const int exitCode = batch.Finish(BatchExitCode);
    // A run that did all else but lost its report does not end as a success.
    return recorder.Finish(exitCode) || exitCode != kExitOk ? exitCode : kExitFailed;
}
