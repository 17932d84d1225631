#include "cli/history.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

namespace {

bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string DefaultHistoryPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state) return std::string(state) + "/tqm530r/history.jsonl";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/state/tqm530r/history.jsonl";
}

std::string HistoryPath(const std::string& chosen) { return chosen.empty() ? DefaultHistoryPath() : chosen; }

bool AppendHistory(const std::string& path, const nlohmann::json& record, std::string& error) {
    if (!MakeFolders(path)) {
        error = "cannot make the folder of " + path + ": " + std::strerror(errno);
        return false;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    ::flock(fd, LOCK_EX);
    const std::string line = record.dump() + "\n";
    const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    if (!ok) error = "cannot write " + path + ": " + std::strerror(errno);
    ::close(fd);
    return ok;
}

bool ReadHistory(const std::string& path, std::vector<nlohmann::json>& records, std::string& error) {
    records.clear();
    if (::access(path.c_str(), F_OK) != 0) return true;
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    for (std::string line; std::getline(in, line);) {
        nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
        if (record.is_object()) records.push_back(std::move(record));
    }
    return true;
}

nlohmann::json FindMacTailElsewhere(const std::vector<nlohmann::json>& records, const std::string& tail,
                                    const std::string& ip, unsigned short port) {
    nlohmann::json found;
    for (const nlohmann::json& r : records) {
        if (r.value("command", "") != "mac" || r.value("result", "") != "written") continue;
        if (Lower(r.value("mac_tail", "")) != Lower(tail)) continue;
        if (r.value("ip", "") == ip && r.value("port", 0) == port) continue;
        found = r;
    }
    return found;
}

std::string UtcTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}
