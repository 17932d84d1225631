#pragma once

#include <string>

#include "cli/commands/command_detect.h"
#include "cli/commands/command_history.h"
#include "cli/commands/command_image.h"
#include "cli/commands/command_maintenance.h"
#include "cli/commands/command_plan.h"
#include "cli/commands/command_update.h"
#include "cli/commands/command_version.h"
#include "cli/commands/commands.h"

// The command line as read: the command to run, what main needs first, and
// each command's settings (only the chosen one's are filled).
struct CommandLine {
    const Command* command = nullptr;
    MainSettings main;
    DetectOptions detect;
    VersionOptions version;
    UpdateOptions update;
    PlanOptions plan;
    EraseOptions erase;
    MacOptions mac;
    ImageOptions image;
    HistoryOptions history;
};

// Parses argv with CLI11. Returns -1 when line.command should run, or the
// exit code to end with at once (0 after --help or --version, 2 after an
// error, whose one-line reason is already on stderr). A leading
// "--job ..." (child_protocol.h) makes this process an update child.
int ParseCommandLine(int argc, char** argv, const std::string& versionText, CommandLine& line);
