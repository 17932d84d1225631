// The real engine against a device: connect, log in, RunFirmwareUpdate with
// an observer that only takes the time. The transfer is timed from the first
// image line to the progress shown after "sum  :", as the floor is; the whole
// update (flash, reset pause, "bye") is reported beside it.
//   bench_engine HOST PORT [TRACE-FILE]   (with a file: every send and receive traced, as --trace)
#include <cstdlib>
#include <string>

#include "bench/bench_clock.h"
#include "cli/output/trace_file.h"
#include "console/console_session.h"
#include "console/firmware_transfer.h"
#include "firmware/firmware_image.h"
#include "net/trace.h"

namespace {

struct TimingObserver : UpdateObserver {
    unsigned lines = 0;
    bool checked = false;
    BenchMark first, afterCheck;
    void OnLine(int, unsigned, unsigned) override {
        if (lines++ == 0) first = BenchMark::Now();
    }
    void OnPhase(UpdatePhase phase, int) override {
        if (phase != UpdatePhase::Flash) return;
        checked = true;
        afterCheck = BenchMark::Now();
    }
};

}  // namespace

int main(int argc, char** argv) {
    FirmwareImageView image;
    ConsoleConnection console;
    if (argc < 3 || argc > 4 || !LoadFirmwareImage(nullptr, image)) return 2;
    TraceFile trace;
    std::string error;
    if (argc == 4 && !trace.Open(argv[3], error)) return 2;
    if (argc == 4) NetTrace = &trace;
    if (OpenConsole(console, argv[1], static_cast<unsigned short>(std::atoi(argv[2]))) != ConsoleOpenResult::Connected)
        return 1;
    if (ConsoleLogin(console) <= 0) return 1;
    TimingObserver observer;
    const BenchMark begin = BenchMark::Now();
    const UpdateResult r = RunFirmwareUpdate(console, image, observer);
    const BenchMark end = BenchMark::Now();
    if (!r.ok || !observer.checked) return 1;
    PrintBenchLine(r.lineSends, observer.first, observer.afterCheck,
                   std::chrono::duration<double>(end.wall - begin.wall).count());
    return 0;
}
