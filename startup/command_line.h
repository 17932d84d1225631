#pragma once

// Room of each "/mac:" field, terminator included.
constexpr int kMacWriteFieldSize = 128;

// The parsed "/mac:HOST:DIGITS:" option.
extern char MacWriteHost[kMacWriteFieldSize];
extern char MacWriteDigits[kMacWriteFieldSize];
extern bool MacWriteMode;
// "/maint" on the command line shows the hidden erase button.
extern bool MaintenanceMode;

struct MacWriteRequest {
    char host[kMacWriteFieldSize] = {};
    char digits[kMacWriteFieldSize] = {};
    bool mode = false;
};

// Finds the first, case-sensitive "/mac:" anywhere in the command line and
// splits what follows at the next two ':'. A field also ends at the end of the
// command line; at most 127 characters of a field are kept. Nothing is
// validated here. Without "/mac:" the request stays as it was.
void ReadMacOption(const char* commandLine, MacWriteRequest& request);

// Reads the command line into MacWriteHost, MacWriteDigits, MacWriteMode and MaintenanceMode.
void ReadCommandLine(const char* commandLine);
