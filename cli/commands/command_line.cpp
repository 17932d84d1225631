#include "cli/commands/command_line.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <sstream>

#include "cli/commands/exit_codes.h"
#include "cli/commands/help_formatter.h"
#include "cli/output/messages.h"
#include "cli/output/terminal.h"

namespace {

const char* const kFooter = N_(
    "Exit codes: 0 done (detect: devices found), 1 a device failed, was refused or not\n"
    "verified, or the question was answered no (detect: none found, or fewer than\n"
    "--expect), 2 usage error (also no --yes without a terminal), 3 the search could not\n"
    "be set up, 4 the image (carried, or --image FILE) is missing, damaged or refused,\n"
    "5 another tqm530r drives the device, 6 update stopped by --max-failures (the\n"
    "devices never started are \"not started\"); 130 interrupted by Ctrl-C (SIGINT),\n"
    "143 by SIGTERM, 129 by SIGHUP (devices already flashing finish first).");

// CLI11's --help and --version texts, through the tool's one way out.
int ExitWithText(const CLI::App& app, const CLI::Error& e) {
    std::ostringstream out, err;
    const int code = app.exit(e, out, err);
    WriteText(stdout, out.str());
    WriteText(stderr, err.str());
    return code;
}

// CLI11's own words in the help, in the operator's language.
void TranslateHelpWords(CLI::App& app) {
    const auto formatter = std::make_shared<DisplayWidthFormatter>();
    app.formatter(formatter);
    for (const char* word : {N_("Usage"), N_("OPTIONS"), N_("SUBCOMMAND"), N_("SUBCOMMANDS"), N_("Positionals"),
                             N_("REQUIRED"), N_("Needs"), N_("Excludes"), N_("Env")})
        formatter->label(word, Tr(word));
    app.option_defaults()->group(Tr("Options"));
    app.group(Tr("Subcommands"));
}

// The help flag a command gets from CLI11, in the operator's language.
void TranslateHelpFlag(CLI::App& app) {
    app.get_help_ptr()->group(Tr("Options"))->description(Tr("Print this help message and exit"));
}

}  // namespace

int ParseCommandLine(int argc, char** argv, const std::string& versionText, CommandLine& line) {
    CLI::App app{
        Tr("tqm530r: finds TQM-530R devices and updates their firmware with the carried image or a file from the "
           "maker."),
        "tqm530r"};
    TranslateHelpWords(app);
    TranslateHelpFlag(app);
    app.set_version_flag("--version", versionText, Tr("Display program version information and exit"));
    app.require_subcommand(1);
    app.footer(Tr(kFooter));
    for (const Command& command : Commands()) {
        CLI::App& sub = *app.add_subcommand(command.name, Tr(command.description));
        TranslateHelpFlag(sub);
        command.addOptions(sub, line);
    }
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() >= 2 && arguments[0] == "--job") {
        line.main.job = arguments[1];
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    line.main.arguments = arguments;
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
        PrintTo(stderr, Tr("tqm530r: %s (see tqm530r --help)\n"), TrText(e.what()).c_str());
        return kExitUsage;
    }
    const std::string chosen = app.get_subcommands().front()->get_name();
    for (const Command& command : Commands())
        if (chosen == command.name) line.command = &command;
    return -1;
}
