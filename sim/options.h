#pragma once

#include <string>

#include "sim/console_session.h"

struct SimOptions {
    std::string bind = "0.0.0.0";
    int port = 23;
    std::string version = "1.0.01";
    std::string statePath;
    bool ssdp = true;
    std::string logPath;
    bool logTimes = false;
    std::string comparePath;
    ConsoleFaults faults;
};

enum class ParseResult { Run, Help, Error };

// Reads the command line; on Error, error says why.
ParseResult ParseOptions(int argc, const char* const* argv, SimOptions& options, std::string& error);

// The --help text.
std::string UsageText();
