#include "startup/command_line.h"

#include <cstring>

char MacWriteHost[kMacWriteFieldSize];
char MacWriteDigits[kMacWriteFieldSize];
bool MacWriteMode = false;
bool MaintenanceMode = false;

namespace {

// Copies up to the next ':' or the end of the text, keeping at most the room
// of the field; returns where the copy stopped (on the ':' or the end).
const char* CopyField(const char* from, char (&field)[kMacWriteFieldSize]) {
    int kept = 0;
    while (*from != '\0' && *from != ':') {
        if (kept < kMacWriteFieldSize - 1) field[kept++] = *from;
        ++from;
    }
    field[kept] = '\0';
    return from;
}

}  // namespace

void ReadMacOption(const char* commandLine, MacWriteRequest& request) {
    if (commandLine == nullptr) return;
    const char* option = std::strstr(commandLine, "/mac:");
    if (option == nullptr) return;
    const char* rest = CopyField(option + 5, request.host);
    if (*rest == ':') ++rest;
    CopyField(rest, request.digits);
    request.mode = true;
}

void ReadCommandLine(const char* commandLine) {
    MacWriteRequest request;
    ReadMacOption(commandLine, request);
    std::memcpy(MacWriteHost, request.host, sizeof MacWriteHost);
    std::memcpy(MacWriteDigits, request.digits, sizeof MacWriteDigits);
    MacWriteMode = request.mode;
    MaintenanceMode = commandLine != nullptr && std::strstr(commandLine, "/maint") != nullptr;
}
