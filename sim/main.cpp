// tqm530r-sim: a TQM-530R device on this machine, for tests, demos and trying
// the updater without hardware. Serves the console and answers the SSDP search.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "sim/console_server.h"
#include "sim/options.h"
#include "sim/ssdp_responder.h"
#include "sim/state_file.h"

namespace {

std::atomic<bool> Stopping{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler sets the flag");

void OnSignal(int) { Stopping = true; }

void CatchSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a waiting poll returns at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

class LogFile {
public:
    LogFile(const std::string& path, bool times) : times_(times) {
        if (!path.empty()) file_ = std::fopen(path.c_str(), "w");
    }
    ~LogFile() {
        if (file_) std::fclose(file_);
    }
    bool Failed(const std::string& path) const { return !path.empty() && !file_; }
    void Write(const std::string& text) {
        if (!file_) return;
        if (times_) std::fprintf(file_, "%.3f ", MonotonicSeconds());
        std::fputs(text.c_str(), file_);
        if (text.empty() || text.back() != '\n') std::fputc('\n', file_);
        std::fflush(file_);
    }

private:
    static double MonotonicSeconds() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }

    std::FILE* file_ = nullptr;
    bool times_;
};

}  // namespace

int main(int argc, char** argv) {
    SimOptions o;
    std::string error;
    switch (ParseOptions(argc, argv, o, error)) {
    case ParseResult::Help: std::fputs(UsageText().c_str(), stdout); return 0;
    case ParseResult::Error:
        std::fprintf(stderr, "tqm530r-sim: %s (see tqm530r-sim --help)\n", error.c_str());
        return 2;
    case ParseResult::Run: break;
    }

    std::string reference;
    if (!o.comparePath.empty() && !ReadFile(o.comparePath, reference)) {
        std::fprintf(stderr, "tqm530r-sim: cannot read %s\n", o.comparePath.c_str());
        return 2;
    }
    const std::string* compare = o.comparePath.empty() ? nullptr : &reference;

    DeviceState device;
    device.version = o.version;
    if (!o.statePath.empty() && ::access(o.statePath.c_str(), F_OK) == 0 && !LoadState(o.statePath, device, error))
        std::fprintf(stderr, "tqm530r-sim: %s, starting fresh\n", error.c_str());

    LogFile log(o.logPath, o.logTimes);
    if (log.Failed(o.logPath)) {
        std::fprintf(stderr, "tqm530r-sim: cannot write %s\n", o.logPath.c_str());
        return 2;
    }

    CatchSignals();
    ConsoleServer::Hooks hooks;
    hooks.log = [&](const std::string& line) { log.Write(line); };
    hooks.save = [&]() {
        if (!o.statePath.empty() && !SaveState(o.statePath, device, error))
            std::fprintf(stderr, "tqm530r-sim: %s\n", error.c_str());
    };
    hooks.connectionClosed = [&]() { log.Write(Summary(device, compare)); };
    SsdpResponder ssdp;
    hooks.died = [&]() {
        ssdp.Mute();
        log.Write("stopped answering");
    };
    ConsoleServer console(device, o.faults, hooks);
    if (!console.Listen(o.bind, o.port, error)) {
        std::fprintf(stderr, "tqm530r-sim: %s\n", error.c_str());
        return 1;
    }

    std::thread searches;
    if (o.ssdp) {
        if (!ssdp.Open(o.bind, error)) {
            std::fprintf(stderr, "tqm530r-sim: %s\n", error.c_str());
            return 1;
        }
        searches = std::thread([&]() { ssdp.Run(Stopping); });
    }

    std::printf("listening on %s:%d\n", o.bind.c_str(), console.Port());
    std::fflush(stdout);
    log.Write("listening on " + o.bind + ":" + std::to_string(console.Port()) + ", version " + device.version);

    console.Run(Stopping);
    if (searches.joinable()) searches.join();

    const std::string summary = Summary(device, compare);
    std::fputs(summary.c_str(), stdout);
    std::fflush(stdout);
    log.Write("stopped");
    log.Write(summary);
    return 0;
}
