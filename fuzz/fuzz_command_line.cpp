// tqm530r's command line: arguments of any bytes, split at zero bytes, read
// by ParseCommandLine and, when the command would run, by the host reading
// that comes before any search or connect. Nothing may throw or crash, and
// what the parser lets through stays in the ranges the commands rely on.
// The file paths given (--history, --report) are then used as the tool uses
// them, inside a folder of this process's own: a record appended there is
// read back, and the history command runs on them.
#include <fcntl.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands/command_line.h"
#include "cli/device/target_hosts.h"
#include "cli/output/history.h"
#include "cli/output/messages.h"
#include "cli/output/stored_json.h"
#include "cli/platform/file_path.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Words(const uint8_t* data, size_t size) {
    std::vector<std::string> words{"tqm530r"};
    std::string word;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// Standard output and error go to /dev/null while the tool's code runs
// (--help, the one-line refusals), and come back for libFuzzer's report.
class Silence {
public:
    Silence() {
        std::fflush(stdout);
        std::fflush(stderr);
        out_ = ::dup(1);
        err_ = ::dup(2);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::close(null);
    }
    ~Silence() {
        std::cout.flush();
        std::fflush(stdout);
        std::fflush(stderr);
        ::dup2(out_, 1);
        ::dup2(err_, 2);
        ::close(out_);
        ::close(err_);
    }

private:
    int out_ = -1;
    int err_ = -1;
};

bool SecondsInRange(double s) { return std::isfinite(s) && s > 0 && s <= 3600; }

bool AccessInRange(const DeviceAccess& a) {
    if (a.port < 1 || a.port > 65535) return false;
    if (a.timeoutSeconds != 0 && !SecondsInRange(a.timeoutSeconds)) return false;
    return SecondsInRange(a.flashTimeoutSeconds);
}

bool SearchInRange(const SearchSettings& s) { return s.waitMs >= 1 && s.waitMs <= 60000 && s.expect >= 0; }

// What the commands take for granted once the parser has accepted (the
// settings of the commands not chosen keep their defaults, in range too).
bool OptionsInRange(const CommandLine& l) {
    if (l.command == nullptr) return false;
    if (l.command->name == std::string("mac") && l.mac.digits.size() != 4) return false;
    for (const DeviceAccess* a : {&l.version.access, &l.update.access, &l.plan.access, &l.erase.access, &l.mac.access})
        if (!AccessInRange(*a)) return false;
    for (const SearchSettings* s : {&l.detect.search, &l.update.search, &l.plan.search})
        if (!SearchInRange(*s)) return false;
    const UpdateOptions& u = l.update;
    if (u.rollout.jobs < 0 || u.rollout.jobs > 1024 || u.retries < 0 || u.retries > 100) return false;
    return SecondsInRange(u.verifyTimeoutSeconds) && SecondsInRange(u.retryDelaySeconds);
}

// The devices the chosen command names, read as it reads them before any
// search or connect: false when they do not read (a usage error).
bool ReadHosts(const CommandLine& l, std::vector<DeviceTarget>& targets) {
    const std::string command = l.command->name;
    const auto port = [](const DeviceAccess& a) { return static_cast<unsigned short>(a.port); };
    std::string reason;
    if (command == "plan") return TargetsFromHosts(l.plan.targets.hosts, port(l.plan.access), targets, reason);
    if (command == "update") return TargetsFromHosts(l.update.targets.hosts, port(l.update.access), targets, reason);
    DeviceTarget t;
    bool read = true;
    if (command == "version") read = ParseDeviceAddress(l.version.host, port(l.version.access), t.device, reason);
    if (command == "erase") read = ParseDeviceAddress(l.erase.host, port(l.erase.access), t.device, reason);
    if (command == "mac") read = ParseDeviceAddress(l.mac.host, port(l.mac.access), t.device, reason);
    if (read && !t.device.host.empty()) targets.push_back(t);
    return read;
}

bool TargetsSound(const std::vector<DeviceTarget>& targets) {
    for (const DeviceTarget& t : targets)
        if (t.device.host.empty() || t.device.port == 0) return false;
    return true;
}

// The folder every path of a run is put in, emptied after each run.
const fs::path& Sandbox() {
    static const fs::path folder = fs::temp_directory_path() / ("tqm530r-fuzz-" + std::to_string(::getpid()));
    return folder;
}

// path (as the operator gave it) inside the sandbox; empty when it names no
// file there: no path, or one that climbs out with "..".
std::string Sandboxed(const std::string& path) {
    if (path.empty()) return "";
    const fs::path given = FilePath(path).relative_path();
    for (const fs::path& part : given)
        if (part == "..") return "";
    return (Sandbox() / given).string();
}

// A history record holding the path's own bytes, appended and read back.
void HistoryRoundTrip(const std::string& path) {
    std::string error;
    if (!AppendHistory(path, {{"command", "update"}, {"device", "fuzz"}, {"detail", path}}, error)) return;
    std::vector<nlohmann::json> records;
    if (!ReadHistory(path, records, error) || records.empty() || FieldText(records.back(), "device") != "fuzz")
        __builtin_trap();
}

// The history command on the paths given, inside the sandbox.
void UsePaths(const CommandLine& line) {
    HistoryOptions o = line.history;
    o.historyPath = Sandboxed(o.historyPath);
    o.reportPath = Sandboxed(o.reportPath);
    if (o.historyPath.empty()) return;
    std::error_code ignored;
    fs::create_directories(Sandbox(), ignored);
    HistoryRoundTrip(o.historyPath);
    if (line.command->name == std::string("history")) RunHistory(o, line.main.arguments);
    fs::remove_all(Sandbox(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Sanitizer reports keep the real stderr while the tool's own output is silenced.
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(::dup(2))));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Every other input in Japanese: its refusals go through the catalogue's formats.
    SetMessageLanguage(size % 2 ? Language::Japanese : Language::English);
    const std::vector<std::string> words = Words(data, size);
    std::vector<char*> argv;
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    CommandLine line;
    std::vector<DeviceTarget> targets;
    int parsed = 0;
    bool hostsRead = false;
    try {
        Silence quiet;
        parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), "tqm530r fuzz", line);
        if (parsed == -1 && line.command != nullptr) {
            hostsRead = ReadHosts(line, targets);
            UsePaths(line);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "uncaught exception: %s\n", e.what());
        __builtin_trap();
    }
    if (parsed != -1 && parsed != 0 && parsed != 2) __builtin_trap();
    if (parsed != -1) return 0;
    if (!OptionsInRange(line)) __builtin_trap();
    if (hostsRead && !TargetsSound(targets)) __builtin_trap();
    return 0;
}
