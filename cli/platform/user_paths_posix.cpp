#include <unistd.h>

#include <cstdlib>

#include "cli/platform/user_paths.h"

namespace {

std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : "";
}

}  // namespace

std::string DefaultHistoryPath() {
    const std::string state = FromEnvironment("XDG_STATE_HOME");
    if (!state.empty()) return state + "/tqm530r/history.jsonl";
    const std::string home = FromEnvironment("HOME");
    return (home.empty() ? "." : home) + "/.local/state/tqm530r/history.jsonl";
}

std::string LockDirectory() {
    const std::string dir = FromEnvironment("TQM530R_LOCK_DIR");
    if (!dir.empty()) return dir;
    return ::access("/run/lock", W_OK) == 0 ? "/run/lock" : "/tmp";
}

const char* HistoryPathHelp() {
    return "$XDG_STATE_HOME/tqm530r/history.jsonl or ~/.local/state/tqm530r/history.jsonl";
}

const char* InterfaceHelp() {
    return "IFNAME to search on (default: every up, multicast-capable interface but loopback)";
}

std::string PathIn(const std::string& folder, const std::string& name) { return folder + "/" + name; }
