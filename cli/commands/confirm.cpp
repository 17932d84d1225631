#include "cli/commands/confirm.h"

#include <cstdio>
#include <iostream>

#include "cli/commands/exit_codes.h"
#include "cli/output/terminal.h"

int ConfirmOrRefuse(bool yes, const std::string& what, const std::string& question) {
    if (yes) return -1;
    if (!IsTerminal(stdin)) {
        PrintTo(stderr, "tqm530r: %s; refusing without --yes (standard input is not a terminal)\n", what.c_str());
        return kExitUsage;
    }
    PrintTo(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) answer.clear();
    if (answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes") return -1;
    PrintTo(stderr, "tqm530r: cancelled, nothing sent\n");
    return kExitFailed;
}
