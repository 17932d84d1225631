#include "sim/options.h"

#include <arpa/inet.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdlib>

namespace {

const char* const kDescription =
    "A simulated TQM-530R on this machine: serves the console over TCP and answers the SSDP search.\n"
    "Prints \"listening on ADDR:PORT\" once ready and a summary on SIGINT/SIGTERM.";

// A whole number in low..high written as plain decimal digits (an optional
// leading minus is read so that "-1" is refused as out of range, not as an option).
CLI::Validator WholeIn(int low, int high) {
    return CLI::Validator(
        [low, high](std::string& text) -> std::string {
            char* end = nullptr;
            const long n = text.empty() || text.size() > 11 ? 0 : std::strtol(text.c_str(), &end, 10);
            if (text.empty() || text.size() > 11 || *end != '\0' || n < low || n > high)
                return "not a number in " + std::to_string(low) + ".." + std::to_string(high) + ": " + text;
            return {};
        },
        "");
}

CLI::Validator Seconds(double high) {
    return CLI::Validator(
        [high](std::string& text) -> std::string {
            char* end = nullptr;
            const double s = text.empty() ? -1 : std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !std::isfinite(s) || s < 0 || s > high)
                return "not a number of seconds in 0.." + std::to_string(static_cast<int>(high)) + ": " + text;
            return {};
        },
        "");
}

CLI::Validator Ipv4() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            in_addr check{};
            return inet_pton(AF_INET, text.c_str(), &check) == 1 ? std::string() : "not an IPv4 address: " + text;
        },
        "");
}

CLI::Validator PromptCaseName() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return text == "upper" || text == "lower" ? std::string() : "upper or lower, not " + text;
        },
        "");
}

CLI::Option* AddNumber(CLI::App& app, const char* name, int& value, int low, int high, const char* unit,
                       const char* help) {
    return app.add_option(name, value, help)->check(WholeIn(low, high))->type_name(unit);
}

void AddDevice(CLI::App& app, SimOptions& o) {
    app.add_option("--port", o.port, "console port (default 23; 0 lets the system pick)")
        ->check(WholeIn(0, 65535))
        ->type_name("N");
    app.add_option("--bind", o.bind, "console address and SSDP interface (default 0.0.0.0)")
        ->check(Ipv4())
        ->type_name("ADDR");
    app.add_option("--firmware-version", o.version, "running version when no state says otherwise (default 1.0.01)")
        ->type_name("V");
    app.add_option("--state", o.statePath, "keep flashed image, version and MAC tail in FILE across restarts")
        ->type_name("FILE");
    app.add_flag_callback(
        "--no-ssdp", [&o]() { o.ssdp = false; }, "do not answer searches");
    app.add_option("--log", o.logPath,
                   "one line per received command, image lines summarised, and the summary after each connection")
        ->type_name("FILE");
    app.add_flag("--log-times", o.logTimes,
                 "start each log line with the monotonic clock in seconds, comparable between simulators on this "
                 "machine");
    app.add_option("--compare", o.comparePath, "report whether the flashed image equals FILE")->type_name("FILE");
    AddNumber(app, "--answer-delay", o.faults.answerDelayMs, 0, 60000, "MS",
              "wait MS before answering each image line (pacing, as a device or a link would; the wait sleeps, it "
              "costs no CPU)");
}

void AddFaults(CLI::App& app, SimOptions& o) {
    ConsoleFaults& f = o.faults;
    const char* faults = "Faults";
    app.add_flag("--banner", f.banner, "send a banner on its own before \"login: \"")->group(faults);
    app.add_flag("--banner-with-prompt", f.bannerWithPrompt, "send the banner and \"login: \" in one send")
        ->group(faults);
    app.add_option_function<std::string>(
           "--prompt-case",
           [&f](const std::string& text) {
               f.promptCase = text == "upper" ? ConsoleFaults::PromptCase::Upper : ConsoleFaults::PromptCase::Lower;
           },
           "\"LOGIN: \"/\"PASSWORD: \" or \"login: \"/\"password: \"")
        ->check(PromptCaseName())
        ->type_name("upper|lower")
        ->group(faults);
    app.add_flag("--split-version", f.splitVersion, "answer \"version\" in two sends, 300 ms apart")->group(faults);
    app.add_flag("--silent", f.silent, "accept connections and never send anything")->group(faults);
    app.add_flag("--close-after-version", f.closeAfterVersion, "answer \"version\", then close the connection")
        ->group(faults);
    AddNumber(app, "--close-after-lines", f.closeAfterLines, 0, 1000000000, "N",
              "close the connection after N image lines")
        ->group(faults);
    app.add_flag("--bad-check", f.badCheck, "answer \"check\" with \"error\" when a line had a bad checksum")
        ->group(faults);
    AddNumber(app, "--slow-flash", f.slowFlashMs, 0, 3600000, "MS", "wait MS before each \"complete\" of \"flash\"")
        ->group(faults);
    AddNumber(app, "--slow-check", f.slowCheckMs, 0, 3600000, "MS", "wait MS before answering \"check\"")
        ->group(faults);
    AddNumber(app, "--chatty", f.chattyMs, 1, 3600000, "MS",
              "while working on \"check\" and \"flash\", send \"working...\" every MS (with --slow-check or "
              "--slow-flash: other text for as long as the device works)")
        ->group(faults);
    app.add_flag("--one-complete", f.oneComplete, "\"flash\" reports the erase only, then the device is mute")
        ->group(faults);
    app.add_flag("--completes-together", f.completesTogether,
                 "\"flash\" sends both its \"complete\" answers at once, as a network that resends a lost segment "
                 "with the next one delivers them")
        ->group(faults);
    app.add_flag("--reset-keeps-version", f.resetKeepsVersion,
                 "\"reset\" restarts into the old version (the flash did not take)")
        ->group(faults);
    AddNumber(app, "--reset-delay", f.resetDelayMs, 0, 3600000, "MS",
              "after \"reset\", take the next connection only after MS (restart time)")
        ->group(faults);
    app.add_option("--version-after-reset", f.versionAfterReset,
                   "\"reset\" restarts into version VER, whatever was flashed (an image that reports another "
                   "version)")
        ->type_name("VER")
        ->group(faults);
    app.add_option_function<double>(
           "--die-after-reset",
           [&f](double seconds) { f.dieAfterResetMs = static_cast<int>(std::lround(seconds * 1000)); },
           "SECONDS after the connection that took \"reset\" has ended, stop answering for good: the console "
           "refuses connections and searches get no answer (an image that boots, then dies)")
        ->check(Seconds(3600))
        ->type_name("SECONDS")
        ->group(faults);
}

// The whole command line: options keep the last of repeated values, and
// CLI11's option names number and group the help.
void Describe(CLI::App& app, SimOptions& o) {
    app.description(kDescription);
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.get_formatter()->column_width(30);
    AddDevice(app, o);
    AddFaults(app, o);
}

}  // namespace

std::string UsageText() {
    SimOptions ignored;
    CLI::App app{"", "tqm530r-sim"};
    Describe(app, ignored);
    return app.help();
}

ParseResult ParseOptions(int argc, const char* const* argv, SimOptions& o, std::string& error) {
    CLI::App app{"", "tqm530r-sim"};
    Describe(app, o);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        return ParseResult::Help;
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return ParseResult::Error;
    }
    return ParseResult::Run;
}
