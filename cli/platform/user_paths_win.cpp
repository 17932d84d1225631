#include <windows.h>

#include "cli/platform/user_paths.h"
#include "cli/platform/windows_file.h"

namespace {

// An environment variable as UTF-8; empty when unset.
std::string FromEnvironment(const wchar_t* name) {
    wchar_t value[32768];
    const DWORD n = GetEnvironmentVariableW(name, value, sizeof value / sizeof value[0]);
    if (n == 0 || n >= sizeof value / sizeof value[0]) return {};
    return Narrow(value, n);
}

std::string OwnFolder() {
    const std::string local = FromEnvironment(L"LOCALAPPDATA");
    return (local.empty() ? "." : local) + "\\tqm530r";
}

}  // namespace

std::string DefaultHistoryPath() { return OwnFolder() + "\\history.jsonl"; }

std::string LockDirectory() {
    const std::string dir = FromEnvironment(L"TQM530R_LOCK_DIR");
    return dir.empty() ? OwnFolder() : dir;
}

const char* HistoryPathHelp() { return "%LOCALAPPDATA%\\tqm530r\\history.jsonl"; }

const char* InterfaceHelp() {
    return "ADAPTER to search on: its name or its IPv4 address (default: every up IPv4 adapter but loopback)";
}

std::string PathIn(const std::string& folder, const std::string& name) { return folder + "\\" + name; }
