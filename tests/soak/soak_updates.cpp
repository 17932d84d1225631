// Soak: many updates in a row through the console engine against one
// simulated device, which in some rounds is killed at a random moment and
// started again on the same state file. Every round must end in success or a
// reported failure within its bound; no socket or thread may be left behind;
// the state file must load after every kill.
//   soak_updates [--rounds N | --full] [--seed S]    (--full: 100 rounds)
#include <dirent.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "console/console_limits.h"
#include "console/console_session.h"
#include "console/firmware_transfer.h"
#include "firmware/firmware_image.h"
#include "sim/state_file.h"
#include "tests/integration/simulator_process.h"

namespace {

using Clock = std::chrono::steady_clock;

int CountEntries(const char* directory) {
    int n = 0;
    if (DIR* d = opendir(directory)) {
        while (const dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

struct Options {
    int rounds = 6;
    unsigned seed = 0;
};

bool ReadOptions(int argc, char** argv, Options& o) {
    o.seed = static_cast<unsigned>(std::random_device{}());
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--full") {
            o.rounds = 100;
        } else if (a == "--rounds" && i + 1 < argc) {
            o.rounds = std::atoi(argv[++i]);
        } else if (a == "--seed" && i + 1 < argc) {
            o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr, "usage: soak_updates [--rounds N | --full] [--seed S]\n");
            return false;
        }
    }
    return o.rounds > 0;
}

class Soak {
public:
    // Short bounds: a killed device is noticed in seconds, a working one never waits this long.
    Soak(const Options& o, std::string dir, const FirmwareImageView& carried)
        : image(carried), random_(o.seed), dir_(std::move(dir)) {
        console.waits = {3000, 3000, 5000, 5000};
    }

    // One round; false when it broke a promise (a hang, success on a killed device, a torn state).
    bool Round(int round, bool kill) {
        if (!sim_) Start();
        if (sim_->Port() == 0) return Fail(round, "simulator did not start");
        std::thread killer;
        std::atomic<bool> killed{false};
        if (kill) {
            const int afterMs = std::uniform_int_distribution<int>(0, 2000)(random_);
            killedAtMs_ = afterMs;
            killer = std::thread([this, afterMs, &killed] {
                std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
                ::kill(sim_->Pid(), SIGKILL);  // by PID: our own child only
                killed = true;
            });
        }
        const auto start = Clock::now();
        bool ok = OpenConsole(console, "127.0.0.1", sim_->Port()) == ConsoleOpenResult::Connected &&
                  ConsoleLogin(console) > 0;
        UpdateObserver observer;
        if (ok) ok = RunFirmwareUpdate(console, image, observer).ok;
        CloseConsole(console);
        const auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (killer.joinable()) killer.join();
        std::printf("round %3d: %s, %.2f s", round, ok ? "updated" : "failed (reported)", seconds);
        if (killed) std::printf(", device killed at %d ms%s", killedAtMs_, ok ? " (after the flash)" : "");
        std::printf("\n");
        if (seconds > kRoundBoundSeconds) return Fail(round, "took longer than its bound");
        if (!ok && !kill) return Fail(round, "an untouched device failed");
        if (kill) {
            sim_->Kill();  // reaps it
            sim_.reset();
            if (!StateLoads()) return Fail(round, "state file torn");
        }
        ok ? ++updated_ : ++failed_;
        return true;
    }
    // Stops the device and checks that its flash is the image.
    bool Finish() {
        if (!sim_) Start();
        const bool stopped = sim_->Stop();
        const bool matches = sim_->Output().find("flash matches image: yes") != std::string::npos;
        sim_.reset();
        std::printf("%d updated, %d failed while the device was killed; flash matches image: %s\n", updated_, failed_,
                    matches ? "yes" : "no");
        return stopped && (matches || updated_ == 0);
    }

private:
    static constexpr double kRoundBoundSeconds = 30;

    void Start() {
        sim_ = std::make_unique<SimulatorProcess>(
            TQM530R_SIM, std::vector<std::string>{"--state", dir_ + "/state", "--compare", TQM530R_IMAGE});
    }
    bool StateLoads() const {
        if (::access((dir_ + "/state").c_str(), F_OK) != 0) return true;  // killed before the first save
        DeviceState device;
        std::string error;
        return LoadState(dir_ + "/state", device, error);
    }
    bool Fail(int round, const char* why) {
        std::fprintf(stderr, "round %d: %s\n", round, why);
        return false;
    }

    const FirmwareImageView& image;
    ConsoleConnection console;
    std::mt19937 random_;
    std::string dir_;
    std::unique_ptr<SimulatorProcess> sim_;
    int killedAtMs_ = 0;
    int updated_ = 0;
    int failed_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // one line per round, as it ends
    Options o;
    FirmwareImageView image;
    if (!ReadOptions(argc, argv, o) || !LoadFirmwareImage(nullptr, image)) return 2;
    char name[] = "/tmp/tqm530r-soak-XXXXXX";
    if (!::mkdtemp(name)) return 2;
    std::printf("soak: %d rounds, seed %u\n", o.rounds, o.seed);

    const int fdsBefore = CountEntries("/proc/self/fd");
    const int threadsBefore = CountEntries("/proc/self/task");
    bool ok = true;
    {
        Soak soak(o, name, image);
        std::mt19937 pick(o.seed + 1);
        for (int round = 1; ok && round <= o.rounds; ++round) {
            // About one round in four loses its device; the short run always has some.
            const bool kill = (o.rounds < 10 && round % 3 == 2) || (o.rounds >= 10 && pick() % 4 == 0);
            ok = soak.Round(round, kill);
        }
        ok = soak.Finish() && ok;
    }
    const int fdsAfter = CountEntries("/proc/self/fd");
    const int threadsAfter = CountEntries("/proc/self/task");
    std::printf("open fds: %d before, %d after; threads: %d before, %d after\n", fdsBefore, fdsAfter, threadsBefore,
                threadsAfter);
    ok = ok && fdsAfter == fdsBefore && threadsAfter == threadsBefore;
    std::system(("rm -rf '" + std::string(name) + "'").c_str());
    std::printf("soak: %s\n", ok ? "passed" : "FAILED");
    return ok ? 0 : 1;
}
