#pragma once

#include <string>
#include <vector>

#include "cli/device/device_search.h"
#include "cli/device/device_session.h"
#include "cli/device/targets.h"
#include "cli/device/version_policy.h"
#include "cli/fleet/retry_rule.h"
#include "cli/fleet/rollout_run.h"
#include "cli/fleet/update_batch.h"
#include "cli/report/run_recorder.h"
#include "cli/rollout/failure_budget.h"
#include "cli/rollout/wave_plan.h"
#include "console/console_limits.h"

// Everything the command line says, for every command.
struct CliOptions {
    std::string command;             // detect, version, update, plan, erase, mac, image, history
    std::vector<std::string> hosts;  // HOST[:PORT] as typed
    std::string host;                // the one device of version, erase and mac (also in hosts)
    std::string macDigits;
    bool all = false;
    bool yes = false;
    bool json = false;
    bool reinstall = false;
    bool allowOlder = false;
    bool verify = true;
    int port = kConsolePort;
    int jobs = 0;  // 0: every device at once
    int waitMs = 3000;
    int expect = 0;  // --expect: fewer maker devices answering is a failure; 0: any number
    std::string interfaceName;
    double timeoutSeconds = 0;  // 0: the engine's own short waits
    double flashTimeoutSeconds = 120;
    double verifyTimeoutSeconds = 60;
    std::string historyPath;
    std::string imagePath;                                       // --image: a file instead of the carried image
    std::string tracePath;                                       // --trace: the transcript file
    std::string reportPath;                                      // --report: the run (or history) as a page
    std::string metricsPath;                                     // update --metrics: the run for monitoring
    std::string since;                                           // history --since: UTC time text
    int retries = RetryRule::kDefaultRetries;                    // update: see retry_rule.h
    double retryDelaySeconds = RetryRule::kDefaultDelaySeconds;  // update: before the first retry
    std::vector<WaveSize> waves;                                 // update, plan: --waves; empty: one wave
    FailureLimit maxFailures;                                    // update: --max-failures
    std::string maxFailuresText;                                 // as typed, for the reason of a stop
    double soakSeconds = 0;                                      // update: --soak; 0: none
    std::vector<std::string> arguments;                          // argv[1] on as given, for the update children
    std::string job;  // an update child's "--job" (child_protocol.h); empty in the parent

    // --waves, --max-failures or --soak: versions are read first and the devices to write roll out.
    bool Rollout() const { return !waves.empty() || maxFailures.value >= 0 || soakSeconds > 0; }
};

// The settings of each room below the command line, from what it says.
TargetChoice ChoiceFrom(const CliOptions& o);
SearchSettings SearchFrom(const CliOptions& o);
DeviceAccess AccessFrom(const CliOptions& o);
VersionPolicy PolicyFrom(const CliOptions& o);
RolloutSettings RolloutFrom(const CliOptions& o);
BatchOutput OutputFrom(const CliOptions& o);
ReportFiles ReportFilesFrom(const CliOptions& o);

// Parses argv with CLI11. Returns -1 when the command should run, or the
// exit code to end with at once (0 after --help or --version, 2 after an
// error, whose one-line reason is already on stderr). A leading
// "--job ..." (child_protocol.h) makes this process an update child.
int ParseCommandLine(int argc, char** argv, const std::string& versionText, CliOptions& options);
