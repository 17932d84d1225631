#include "cli/cli_options.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/exit_codes.h"
#include "console/console_limits.h"

namespace {

const char* const kFooter =
    "Exit codes: 0 done (detect: devices found), 1 a device failed, was refused or not\n"
    "verified, or the question was answered no (detect: none found), 2 usage error (also\n"
    "no --yes without a terminal), 3 the search could not be set up, 4 the carried image\n"
    "is missing or damaged, 5 another tqm530r drives the device.";

void AddPort(CLI::App& c, CliOptions& o) {
    c.add_option("--port", o.port, "console port for hosts given without :PORT")
        ->check(CLI::Range(1, 65535))
        ->default_val(kConsolePort);
}

void AddTimeout(CLI::App& c, CliOptions& o) {
    c.add_option("--timeout", o.timeoutSeconds,
                 "SECONDS for each short wait on the device: connect, login, version, each image line, "
                 "\"sum  :\" (default 10 each, 30 for \"sum  :\")")
        ->check(CLI::PositiveNumber);
}

void AddJson(CLI::App& c, CliOptions& o, const char* what) { c.add_flag("--json", o.json, what); }

void AddHistory(CLI::App& c, CliOptions& o) {
    c.add_option("--history", o.historyPath,
                 "FILE of the history (default $XDG_STATE_HOME/tqm530r/history.jsonl or "
                 "~/.local/state/tqm530r/history.jsonl)");
}

void AddSearch(CLI::App& c, CliOptions& o) {
    c.add_option("--wait", o.waitMs, "MS the search collects answers")->check(CLI::Range(1, 60000))->default_val(3000);
    c.add_option("--interface", o.interfaceName,
                 "IFNAME to search on (default: every up, multicast-capable interface but loopback)");
}

void AddPolicy(CLI::App& c, CliOptions& o) {
    c.add_flag("--reinstall", o.reinstall, "write the image also to a device that already runs its version");
    c.add_flag("--allow-older", o.allowOlder, "write the image also to a device that runs a newer version");
}

void Detect(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("detect", "one SSDP search: the TQM-530R devices on the segment (entry, IP, MAC)");
    AddSearch(*c, o);
    AddJson(*c, o, "print {\"devices\":[{\"entry\",\"ip\",\"mac\"}]}");
}

void Version(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("version", "a device's firmware version, the image's, and the verdict");
    c->add_option("host", o.host, "HOST[:PORT] of the device")->required();
    AddPort(*c, o);
    AddTimeout(*c, o);
    AddJson(*c, o, "print one JSON object");
}

void Update(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("update", "write the carried image into devices, in parallel, and verify each");
    c->footer(
        "Each device: connect, (with --all) the MAC check, login, version, the version policy,\n"
        "initbuf, every image line, check, flash, reset, then the verify: the device must come\n"
        "back and report the image's version. Asks on a terminal unless --yes; refuses without\n"
        "--yes when standard input is not a terminal.");
    CLI::Option* hosts = c->add_option("hosts", o.hosts, "HOST[:PORT] of each device");
    CLI::Option* all = c->add_flag("--all", o.all, "search first and update every TQM-530R found");
    hosts->excludes(all);
    c->add_flag("-y,--yes", o.yes, "do not ask for confirmation");
    c->add_option("-j,--jobs", o.jobs, "N devices at once (default: all)")->check(CLI::Range(1, 1024));
    AddPort(*c, o);
    AddPolicy(*c, o);
    c->add_flag_callback(
        "--no-verify", [&o]() { o.verify = false; }, "do not wait for the device to come back after the reset");
    c->add_option("--verify-timeout", o.verifyTimeoutSeconds, "SECONDS to wait for the device after the reset")
        ->check(CLI::PositiveNumber)
        ->default_val(60);
    c->add_option("--flash-timeout", o.flashTimeoutSeconds, "SECONDS to wait for each \"complete\" of flashing")
        ->check(CLI::PositiveNumber)
        ->default_val(120);
    AddTimeout(*c, o);
    AddSearch(*c, o);
    AddHistory(*c, o);
    AddJson(*c, o, "JSON events, one object a line, instead of bars and the table");
}

void Plan(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("plan", "what update would do to each device, writing nothing");
    CLI::Option* hosts = c->add_option("hosts", o.hosts, "HOST[:PORT] of each device");
    CLI::Option* all = c->add_flag("--all", o.all, "search first and plan every TQM-530R found");
    hosts->excludes(all);
    AddPort(*c, o);
    AddPolicy(*c, o);
    AddTimeout(*c, o);
    AddSearch(*c, o);
    AddJson(*c, o, "print one JSON object");
}

void Erase(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("erase", "erase the device's flash blocks 20000..F0000 (maintenance)");
    c->add_option("host", o.host, "HOST[:PORT] of the device")->required();
    c->add_flag("-y,--yes", o.yes, "do not ask for confirmation");
    AddPort(*c, o);
    AddTimeout(*c, o);
    AddHistory(*c, o);
}

void Mac(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("mac", "write the last two bytes of the device's MAC address (02-4C-1A-03-XX-XX)");
    c->add_option("host", o.host, "HOST[:PORT] of the device")->required();
    c->add_option("digits", o.macDigits, "four hexadecimal digits, e.g. 12ab")->required();
    AddPort(*c, o);
    AddTimeout(*c, o);
    AddHistory(*c, o);
}

void Image(CLI::App& app, CliOptions& o) {
    CLI::App* c =
        app.add_subcommand("image", "the carried image: version, size, lines, ranges, start, SHA-256, self-check");
    AddJson(*c, o, "print one JSON object");
}

void History(CLI::App& app, CliOptions& o) {
    CLI::App* c = app.add_subcommand("history", "the updates, erases and MAC writes done from this machine");
    AddHistory(*c, o);
    AddJson(*c, o, "print the stored JSON lines as they are");
}

}  // namespace

int ParseCommandLine(int argc, char** argv, const std::string& versionText, CliOptions& o) {
    CLI::App app{"tqm530r: finds TQM-530R devices and updates their firmware with the carried image.", "tqm530r"};
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
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "tqm530r: %s (see tqm530r --help)\n", e.what());
        return kExitUsage;
    }
    o.command = app.get_subcommands().front()->get_name();
    if (!o.host.empty()) o.hosts = {o.host};
    return -1;
}
