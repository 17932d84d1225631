#pragma once

// The commands of tqm530r, in one table: each command's settings, options
// and run stand in its command_*.h and command_*.cpp.

#include <string>
#include <vector>

#include "cli/image/image_check.h"

namespace CLI {
class App;
}

// What main reads before it runs a command (the image to load, the trace to
// open), and how the program was started, for the update children and the
// reports.
struct MainSettings {
    std::string imagePath;               // --image: a file instead of the carried image
    std::string imageSha256;             // --image-sha256: the only image allowed (lower-case hex); empty: any
    std::string tracePath;               // --trace: the transcript file
    std::string job;                     // an update child's "--job" (child_protocol.h); empty in the parent
    std::vector<std::string> arguments;  // argv[1] on as given, without the "--job ..."
};

struct CommandLine;  // command_line.h

// One command, as a builtin of git is: its name and line in --help, how it
// adds its options to its subcommand (bound into its own settings in the
// command line), and its run over them, which returns the exit code.
struct Command {
    const char* name;
    const char* description;
    void (*addOptions)(CLI::App& command, CommandLine& line);
    int (*run)(const CommandLine& line, const ImageReport& image);
};

// Every command, in the order of --help.
const std::vector<Command>& Commands();
