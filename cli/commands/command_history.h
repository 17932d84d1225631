#pragma once

#include <string>
#include <vector>

#include "cli/commands/commands.h"

// history: the records of this machine's updates, erases and MAC writes.
struct HistoryOptions {
    std::string historyPath;  // empty: HistoryPath's default
    std::string reportPath;   // --report: the update records as a page instead of the table
    std::string since;        // --since: UTC time text
    bool json = false;
};

void AddHistoryOptions(CLI::App& c, HistoryOptions& o, MainSettings& main);
// arguments: the command line as typed, for the page.
int RunHistory(const HistoryOptions& o, const std::vector<std::string>& arguments);
