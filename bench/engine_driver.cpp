// The real engine against a device: connect, log in, RunFirmwareUpdate with
// an observer that only takes the time. The transfer is timed from the first
// image line to the progress shown after "sum  :", as the floor is; the whole
// update (flash, reset pause, "bye") is reported beside it.
//   bench_engine HOST PORT
#include <cstdlib>

#include "bench/bench_clock.h"
#include "console/console_session.h"
#include "console/firmware_transfer.h"
#include "firmware/firmware_image.h"

namespace {

struct TimingObserver : UpdateObserver {
    unsigned lines = 0;
    bool checked = false;
    BenchMark first, afterCheck;
    void OnLine(unsigned, unsigned) override {
        if (lines++ == 0) first = BenchMark::Now();
    }
    void OnProgress(int, const char*) override {
        // The first display after the last line is the one after "sum  :".
        if (lines == FirmwareImageLines() && !checked) {
            checked = true;
            afterCheck = BenchMark::Now();
        }
    }
    void OnFinished(bool) override {}

    static unsigned FirmwareImageLines() {
        static unsigned n = 0;
        if (n == 0)
            for (uint32_t i = 0; i < FirmwareImage.size; ++i) n += FirmwareImage.text[i] == '\n';
        return n;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || !LoadFirmwareImage(nullptr)) return 2;
    if (OpenConsole(argv[1], static_cast<unsigned short>(std::atoi(argv[2]))) != ConsoleOpenResult::Connected) return 1;
    if (ConsoleLogin() <= 0) return 1;
    TimingObserver observer;
    TimingObserver::FirmwareImageLines();
    const BenchMark begin = BenchMark::Now();
    const UpdateResult r = RunFirmwareUpdate(observer);
    const BenchMark end = BenchMark::Now();
    if (!r.ok || !observer.checked) return 1;
    PrintBenchLine(r.lineSends, observer.first, observer.afterCheck,
                   std::chrono::duration<double>(end.wall - begin.wall).count());
    return 0;
}
