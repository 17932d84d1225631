#include "cli/commands/cli_options.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "cli/commands/exit_codes.h"
#include "cli/device/device_address.h"
#include "cli/output/terminal.h"
#include "cli/output/utc_time.h"
#include "cli/platform/user_paths.h"
#include "console/console_limits.h"

namespace {

const char* const kFooter =
    "Exit codes: 0 done (detect: devices found), 1 a device failed, was refused or not\n"
    "verified, or the question was answered no (detect: none found, or fewer than\n"
    "--expect), 2 usage error (also no --yes without a terminal), 3 the search could not\n"
    "be set up, 4 the image (carried, or --image FILE) is missing, damaged or refused,\n"
    "5 another tqm530r drives the device, 6 update stopped by --max-failures (the\n"
    "devices never started are \"not started\"); 130 interrupted by Ctrl-C (SIGINT),\n"
    "143 by SIGTERM, 129 by SIGHUP (devices already flashing finish first).";

constexpr double kMaxSeconds = 3600;

// Plain decimal digits in min..max, rewritten without leading zeros (CLI11
// would read "010" as octal).
bool ReadWholeIn(std::string& text, long min, long max) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    text = std::to_string(value);
    return value >= min && value <= max;
}

// Seconds as plain decimals ("2", "0.5", ".5"), above 0 and at most kMaxSeconds.
bool ReadSeconds(std::string& text) {
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    if (text == "." || text.find('.') != text.rfind('.')) return false;
    const double value = std::strtod(text.c_str(), nullptr);
    return value > 0 && value <= kMaxSeconds;
}

bool ReadMacTail(std::string& text) {
    return text.size() == 4 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

bool ReadPortText(std::string& text) {
    unsigned short port = 0;
    if (!ReadPort(text, port)) return false;
    text = std::to_string(port);
    return true;
}

// A check that refuses in one line: the option's name (added by CLI11), the
// value as typed and what is allowed. Used with transform() where it rewrites
// the text (check() would discard the rewrite).
CLI::Validator Allowed(std::function<bool(std::string&)> read, const std::string& allowed) {
    return CLI::Validator(
        [read, allowed](std::string& text) {
            const std::string typed = text;
            return read(text) ? std::string() : "\"" + typed + "\" is not allowed; " + allowed;
        },
        "");
}

CLI::Validator WholeIn(long min, long max, const std::string& what) {
    return Allowed([min, max](std::string& t) { return ReadWholeIn(t, min, max); },
                   what + " from " + std::to_string(min) + " to " + std::to_string(max));
}

CLI::Validator Seconds() {
    return Allowed(ReadSeconds, "SECONDS above 0, at most " + std::to_string(static_cast<int>(kMaxSeconds)));
}

void AddPort(CLI::App& c, CliOptions& o) {
    c.add_option("--port", o.port, "console port for hosts given without :PORT")
        ->transform(Allowed(ReadPortText, "PORT from 1 to 65535"))
        ->default_val(kConsolePort);
}

void AddTimeout(CLI::App& c, CliOptions& o) {
    c.add_option("--timeout", o.timeoutSeconds,
                 "SECONDS for each short wait on the device: connect, login, version, each image line, "
                 "\"sum  :\" (default 10 each, 30 for \"sum  :\")")
        ->check(Seconds());
}

void AddImage(CLI::App& c, CliOptions& o) {
    c.add_option("--image", o.imagePath,
                 "FILE: a Motorola S-record image from the maker, used instead of the carried one after its "
                 "self-check");
}

void AddTrace(CLI::App& c, CliOptions& o) {
    c.add_option("--trace", o.tracePath,
                 "FILE to append a transcript to: every datagram of the search and every send and receive on "
                 "the console, one line each, control bytes written visibly");
}

void AddReportFiles(CLI::App& c, CliOptions& o) {
    c.add_option("--report", o.reportPath,
                 "FILE.html: the run as one page that needs no network (image, host, options, each device with "
                 "its result and reason, failures first, a timeline coloured by phase); written also when the "
                 "run fails or is interrupted");
    c.add_option("--metrics", o.metricsPath,
                 "FILE: the run in the Prometheus text format for a textfile collector (devices by result, "
                 "durations, image version, end and last success times), renamed into place");
}

void AddJson(CLI::App& c, CliOptions& o, const char* what) { c.add_flag("--json", o.json, what); }

void AddHistory(CLI::App& c, CliOptions& o) {
    c.add_option("--history", o.historyPath, std::string("FILE of the history (default ") + HistoryPathHelp() + ")");
}

void AddSearch(CLI::App& c, CliOptions& o) {
    c.add_option("--wait", o.waitMs,
                 "MS the search collects answers; its request goes out every 0.5 s, at most 5 times, each at least "
                 "0.5 s before the wait ends (5 times in the default 3000, once below 1000)")
        ->transform(WholeIn(1, 60000, "MS"))
        ->default_val(3000);
    c.add_option("--interface", o.interfaceName, InterfaceHelp());
}

void AddPolicy(CLI::App& c, CliOptions& o) {
    c.add_flag("--reinstall", o.reinstall, "write the image also to a device that already runs its version");
    c.add_flag("--allow-older", o.allowOlder, "write the image also to a device that runs a newer version");
}

CLI::Option* AddExpect(CLI::App& c, CliOptions& o, const std::string& then) {
    return c
        .add_option("--expect", o.expect,
                    "N: fewer than N devices answering is a failure (exit 1), told on stderr with the devices that "
                    "did answer" +
                        then)
        ->transform(WholeIn(1, 100000, "N"));
}

// A check that runs a parser of the rollout's rules and refuses with its own reason.
CLI::Validator Parsed(std::function<bool(const std::string&, std::string&)> parse) {
    return CLI::Validator(
        [parse](std::string& text) {
            std::string error;
            return parse(text, error) ? std::string() : error;
        },
        "");
}

CLI::Option* AddWaves(CLI::App& c, CliOptions& o) {
    return c
        .add_option_function<std::string>(
            "--waves",
            [&o](const std::string& text) {
                std::string e;
                ParseWaveSizes(text, o.waves, e);
            },
            kWavesHelp)
        ->check(Parsed([](const std::string& t, std::string& e) {
            std::vector<WaveSize> sizes;
            return ParseWaveSizes(t, sizes, e);
        }));
}

void AddRollout(CLI::App& c, CliOptions& o) {
    CLI::Option* waves = AddWaves(c, o);
    c.add_option_function<std::string>(
         "--max-failures",
         [&o](const std::string& text) {
             std::string e;
             ParseFailureLimit(text, o.maxFailures, e);
             o.maxFailuresText = text;
         },
         std::string(kMaxFailuresHelp) + "; the devices never started are \"not started\" (exit 6)")
        ->check(Parsed([](const std::string& t, std::string& e) {
            FailureLimit limit;
            return ParseFailureLimit(t, limit, e);
        }));
    c.add_option("--soak", o.soakSeconds,
                 "SECONDS after each wave but the last, then every device it wrote is read again (login, "
                 "version): one that no longer answers or runs another version failed (\"lost in the soak\")")
        ->check(Seconds())
        ->needs(waves);
}

void Detect(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("detect", "one SSDP search: the TQM-530R devices on the segment (entry, IP, MAC)");
    AddSearch(*c, o);
    AddExpect(*c, o, "");
    AddTrace(*c, o);
    AddJson(*c, o, "print {\"devices\":[{\"entry\",\"ip\",\"mac\"}]} (with --expect, also \"expected\")");
}

void Version(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("version", "a device's firmware version, the image's, and the verdict");
    c->add_option("host", o.host, "HOST[:PORT] of the device")->required();
    AddPort(*c, o);
    AddTimeout(*c, o);
    AddTrace(*c, o);
    AddImage(*c, o);
    AddJson(*c, o, "print one JSON object");
}

void AddRetries(CLI::App& c, CliOptions& o) {
    c.add_option("--retries", o.retries,
                 "N: tries again from the connect a device whose update fails before \"flash\" was sent")
        ->transform(WholeIn(0, RetryRule::kMaxRetries, "N"))
        ->default_val(RetryRule::kDefaultRetries);
    c.add_option("--retry-delay", o.retryDelaySeconds, "SECONDS before the first retry, doubling each time")
        ->check(Seconds())
        ->default_val(RetryRule::kDefaultDelaySeconds);
}

void Update(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("update", "write the image into devices, in parallel, and verify each");
    c->footer(
        "Each device: connect, (with --all) the MAC check, login, version, the version policy,\n"
        "initbuf, every image line, check, flash, reset, then the verify: the device must come\n"
        "back and report the image's version. Asks on a terminal unless --yes; refuses without\n"
        "--yes when standard input is not a terminal.\n"
        "With --waves, --max-failures or --soak the run is a rollout: every device's version is\n"
        "read first (as plan does) and the waves count the devices the policy would write; a wave\n"
        "starts when the one before has ended. Once more devices have failed than --max-failures\n"
        "allows, no further device starts, running ones finish, and the rest are reported\n"
        "\"not started\" (exit 6). Exactly the budget goes on.");
    CLI::Option* hosts = c->add_option("hosts", o.hosts, "HOST[:PORT] of each device");
    CLI::Option* all = c->add_flag("--all", o.all, "search first and update every TQM-530R found");
    hosts->excludes(all);
    AddExpect(*c, o, "; nothing is written")->needs(all);
    c->add_flag("-y,--yes", o.yes, "do not ask for confirmation");
    c->add_option("-j,--jobs", o.jobs, "N devices at once (default: all; with --waves, within each wave)")
        ->transform(WholeIn(1, 1024, "N"));
    AddRollout(*c, o);
    AddPort(*c, o);
    AddPolicy(*c, o);
    c->add_flag_callback(
        "--no-verify", [&o]() { o.verify = false; }, "do not wait for the device to come back after the reset");
    c->add_option("--verify-timeout", o.verifyTimeoutSeconds, "SECONDS to wait for the device after the reset")
        ->check(Seconds())
        ->default_val(60);
    c->add_option("--flash-timeout", o.flashTimeoutSeconds, "SECONDS to wait for each \"complete\" of flashing")
        ->check(Seconds())
        ->default_val(120);
    AddRetries(*c, o);
    AddTimeout(*c, o);
    AddTrace(*c, o);
    AddSearch(*c, o);
    AddImage(*c, o);
    AddHistory(*c, o);
    AddReportFiles(*c, o);
    AddJson(*c, o, "JSON events, one object a line, instead of bars and the table");
}

void Plan(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("plan", "what update would do to each device, writing nothing");
    CLI::Option* hosts = c->add_option("hosts", o.hosts, "HOST[:PORT] of each device");
    CLI::Option* all = c->add_flag("--all", o.all, "search first and plan every TQM-530R found");
    hosts->excludes(all);
    AddExpect(*c, o, "; no device is read")->needs(all);
    AddWaves(*c, o)->description(std::string("show the wave of each device that update --waves would write; ") +
                                 kWavesHelp);
    AddPort(*c, o);
    AddPolicy(*c, o);
    AddTimeout(*c, o);
    AddTrace(*c, o);
    AddSearch(*c, o);
    AddImage(*c, o);
    AddJson(*c, o, "print one JSON object");
}

void Erase(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("erase", "erase the device's flash blocks 20000..F0000 (maintenance)");
    c->add_option("host", o.host, "HOST[:PORT] of the device")->required();
    c->add_flag("-y,--yes", o.yes, "do not ask for confirmation");
    AddPort(*c, o);
    AddTimeout(*c, o);
    AddTrace(*c, o);
    AddHistory(*c, o);
}

void Mac(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("mac", "write the last two bytes of the device's MAC address (02-4C-1A-03-XX-XX)");
    c->add_option("host", o.host, "HOST[:PORT] of the device")->required();
    c->add_option("digits", o.macDigits, "four hexadecimal digits, e.g. 12ab")
        ->required()
        ->check(Allowed(ReadMacTail, "exactly four hexadecimal digits, e.g. 12ab; nothing sent"));
    AddPort(*c, o);
    AddTimeout(*c, o);
    AddTrace(*c, o);
    AddHistory(*c, o);
}

void Image(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("image", "the image: version, size, lines, ranges, start, SHA-256, self-check");
    AddImage(*c, o);
    AddJson(*c, o, "print one JSON object");
}

void History(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("history", "the updates, erases and MAC writes done from this machine");
    AddHistory(*c, o);
    c->add_option("--report", o.reportPath,
                  "FILE.html: the update records as one page that needs no network (devices, results, reasons, "
                  "a timeline), instead of the table");
    c->add_option("--since", o.since, "TIME: only the records from then on, UTC as 2026-12-07T19:12:16Z")
        ->check(Allowed(
            [](std::string& t) {
                double ignored;
                return ParseUtcText(t, ignored);
            },
            "a UTC time as 2026-12-07T19:12:16Z"));
    AddJson(*c, o, "print the stored JSON lines as they are");
}

// CLI11's --help and --version texts, through the tool's one way out.
int ExitWithText(const CLI::App& app, const CLI::Error& e) {
    std::ostringstream out, err;
    const int code = app.exit(e, out, err);
    WriteText(stdout, out.str());
    WriteText(stderr, err.str());
    return code;
}

}  // namespace

int ParseCommandLine(int argc, char** argv, const std::string& versionText, CliOptions& o) {
    CLI::App app{
        "tqm530r: finds TQM-530R devices and updates their firmware with the carried image or a file from the maker.",
        "tqm530r"};
    app.set_version_flag("--version", versionText);
    app.require_subcommand(1);
    app.footer(kFooter);
    Detect(app, o);
    Version(app, o);
    Update(app, o);
    Plan(app, o);
    Erase(app, o);
    Mac(app, o);
    Image(app, o);
    History(app, o);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() >= 2 && arguments[0] == "--job") {
        o.job = arguments[1];
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    o.arguments = arguments;
    try {
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        return ExitWithText(app, e);
    } catch (const CLI::CallForAllHelp& e) {
        return ExitWithText(app, e);
    } catch (const CLI::CallForVersion& e) {
        return ExitWithText(app, e);
    } catch (const CLI::ParseError& e) {
        PrintTo(stderr, "tqm530r: %s (see tqm530r --help)\n", e.what());
        return kExitUsage;
    }
    const CLI::App* command = app.get_subcommands().front();
    o.command = command->get_name();
    if (command->get_option_no_throw("host")) o.hosts = {o.host};
    return -1;
}

TargetChoice ChoiceFrom(const CliOptions& o) { return {o.hosts, o.all}; }
SearchSettings SearchFrom(const CliOptions& o) { return {o.waitMs, o.interfaceName, o.expect}; }
DeviceAccess AccessFrom(const CliOptions& o) { return {o.port, o.timeoutSeconds, o.flashTimeoutSeconds}; }
VersionPolicy PolicyFrom(const CliOptions& o) { return {o.reinstall, o.allowOlder}; }
RolloutSettings RolloutFrom(const CliOptions& o) {
    return {o.jobs, o.waves, o.maxFailures, o.maxFailuresText, o.soakSeconds};
}
BatchOutput OutputFrom(const CliOptions& o) { return {o.json, o.historyPath}; }
ReportFiles ReportFilesFrom(const CliOptions& o) { return {o.reportPath, o.metricsPath, o.arguments}; }
