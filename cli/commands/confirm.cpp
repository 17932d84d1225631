#include "cli/commands/confirm.h"

#include <cstdio>
#include <iostream>

#include "cli/commands/exit_codes.h"
#include "cli/output/messages.h"
#include "cli/output/terminal.h"

bool IsYes(const std::string& answer) {
    for (const char* yes : {"y", "Y", "yes", "YES", "Yes"})
        if (answer == yes) return true;
    // The Japanese answer, and its full-width y, where a Japanese operator might type them.
    return MessageLanguage() == Language::Japanese && (answer == "はい" || answer == "ｙ" || answer == "Ｙ");
}

int ConfirmOrRefuse(bool yes, const std::string& what, const std::string& question) {
    if (yes) return -1;
    if (!IsTerminal(stdin)) {
        PrintTo(stderr, Tr("tqm530r: %s; refusing without --yes (standard input is not a terminal)\n"), what.c_str());
        return kExitUsage;
    }
    PrintTo(stderr, Tr("%s [y/N] "), question.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) answer.clear();
    if (IsYes(answer)) return -1;
    PrintTo(stderr, Tr("tqm530r: cancelled, nothing sent\n"));
    return kExitFailed;
}
