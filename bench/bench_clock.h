#pragma once

// Wall time and this process's CPU time (user + system, getrusage), for the
// bench programs' one-line reports.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

struct BenchMark {
    std::chrono::steady_clock::time_point wall;
    double cpu = 0;  // seconds

    static BenchMark Now() {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        BenchMark m;
        m.wall = std::chrono::steady_clock::now();
        m.cpu = u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
        return m;
    }
};

// "lines=N seconds=S cpu_us_per_line=C total_seconds=T max_rss_kb=K" on
// stdout, read by bench/run.sh.
inline void PrintBenchLine(unsigned lines, const BenchMark& from, const BenchMark& to, double totalSeconds) {
    const double seconds = std::chrono::duration<double>(to.wall - from.wall).count();
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("lines=%u seconds=%.4f cpu_us_per_line=%.2f total_seconds=%.4f max_rss_kb=%ld\n", lines, seconds,
                lines ? (to.cpu - from.cpu) * 1e6 / lines : 0.0, totalSeconds, u.ru_maxrss);
}
