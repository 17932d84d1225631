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

#include "cli/commands/cli_options.h"
#include "cli/commands/commands.h"
#include "cli/device/target_hosts.h"
#include "cli/output/history.h"
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

// What the commands take for granted once the parser has accepted.
bool OptionsInRange(const CliOptions& o) {
    const bool single = o.command == "version" || o.command == "erase" || o.command == "mac";
    if (single && o.hosts.size() != 1) return false;
    if (o.command == "mac" && o.macDigits.size() != 4) return false;
    if (o.port < 1 || o.port > 65535 || o.jobs < 0 || o.jobs > 1024) return false;
    if (o.waitMs < 1 || o.waitMs > 60000 || o.retries < 0 || o.retries > 100) return false;
    if (o.timeoutSeconds != 0 && !SecondsInRange(o.timeoutSeconds)) return false;
    return SecondsInRange(o.flashTimeoutSeconds) && SecondsInRange(o.verifyTimeoutSeconds) &&
           SecondsInRange(o.retryDelaySeconds);
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
void UsePaths(CliOptions o) {
    o.historyPath = Sandboxed(o.historyPath);
    o.reportPath = Sandboxed(o.reportPath);
    if (o.historyPath.empty()) return;
    std::error_code ignored;
    fs::create_directories(Sandbox(), ignored);
    HistoryRoundTrip(o.historyPath);
    if (o.command == "history") RunHistory(o);
    fs::remove_all(Sandbox(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Sanitizer reports keep the real stderr while the tool's own output is silenced.
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(::dup(2))));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> words = Words(data, size);
    std::vector<char*> argv;
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    CliOptions options;
    std::vector<DeviceTarget> targets;
    DeviceAddress device;
    int parsed = 0;
    int hostsRead = -1;
    int singleRead = -1;
    try {
        Silence quiet;
        parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), "tqm530r fuzz", options);
        if (parsed == -1) {
            hostsRead = TargetsFromHosts(options, targets);
            singleRead = SingleTarget(options, device);
            UsePaths(options);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "uncaught exception: %s\n", e.what());
        __builtin_trap();
    }
    if (parsed != -1 && parsed != 0 && parsed != 2) __builtin_trap();
    if (parsed != -1) return 0;
    if (!OptionsInRange(options)) __builtin_trap();
    if (hostsRead != -1 && hostsRead != 2) __builtin_trap();
    if (hostsRead == -1 && !TargetsSound(targets)) __builtin_trap();
    if (singleRead != -1 && singleRead != 2) __builtin_trap();
    if (singleRead == -1 && !TargetsSound({{device, ""}})) __builtin_trap();
    return 0;
}
