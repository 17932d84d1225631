// --trace's batches: when gathered lines go to the file, and that every line
// reaches it whole and in order, from one writer or several.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "cli/output/trace_file.h"

namespace {

using Clock = TraceBatch::Clock;
using std::chrono::milliseconds;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string TempPath(const char* name) { return ::testing::TempDir() + name + std::to_string(::getpid()); }

}  // namespace

TEST(TraceBatchTest, ABatchIsDueOnceItsFirstLineIs100MsOld) {
    TraceBatch batch;
    const Clock::time_point t0{};
    EXPECT_FALSE(batch.Due(t0 + milliseconds(500))) << "nothing gathered, nothing due";
    EXPECT_FALSE(batch.Add("a\n", t0));
    EXPECT_FALSE(batch.Add("b\n", t0 + milliseconds(60)));
    EXPECT_FALSE(batch.Due(t0 + milliseconds(99)));
    EXPECT_EQ(batch.Deadline(), t0 + milliseconds(100)) << "the first line's age counts, not the last's";
    EXPECT_TRUE(batch.Due(t0 + milliseconds(100)));
    EXPECT_EQ(batch.Take(), "a\nb\n");
    EXPECT_TRUE(batch.Empty());
    EXPECT_FALSE(batch.Due(t0 + milliseconds(1000)));
    // The next batch's age starts with its own first line.
    batch.Add("c\n", t0 + milliseconds(1000));
    EXPECT_FALSE(batch.Due(t0 + milliseconds(1050)));
    EXPECT_TRUE(batch.Due(t0 + milliseconds(1100)));
}

TEST(TraceBatchTest, AFullBatchIsDueAtOnce) {
    TraceBatch batch;
    const Clock::time_point t0{};
    const std::string line(1000, 'x');
    size_t added = 0;
    bool full = false;
    while (!full) {
        full = batch.Add(line, t0);
        added += line.size();
        ASSERT_LE(added, TraceBatch::kMaxBytes + line.size());
    }
    EXPECT_GE(added, TraceBatch::kMaxBytes);
    EXPECT_TRUE(batch.Due(t0));
    EXPECT_EQ(batch.Take().size(), added);
}

// The writing thread writes a batch without waiting for more lines or the end.
TEST(TraceFileTest, LinesReachTheFileWithinTheBatchAgeWithoutAnEnd) {
    const std::string path = TempPath("trace_age_");
    std::remove(path.c_str());
    TraceFile trace;
    std::string error;
    ASSERT_TRUE(trace.Open(path, error)) << error;
    trace.OnDatagram(true, 0x0100007F, 1900, "M-SEARCH\r\n", 10);
    const Clock::time_point until = Clock::now() + std::chrono::seconds(10);
    while (ReadAll(path).empty() && Clock::now() < until) std::this_thread::sleep_for(milliseconds(10));
    EXPECT_NE(ReadAll(path).find("127.0.0.1:1900 udp  >  M-SEARCH\\r\\n\n"), std::string::npos);
    std::remove(path.c_str());
}

// Two writers (as two device processes) into one file: every line whole, each
// writer's lines in its own order, none lost when the objects end.
TEST(TraceFileTest, TwoWritersNeverSplitALineAndLoseNoneAtTheEnd) {
    const std::string path = TempPath("trace_two_");
    std::remove(path.c_str());
    constexpr int kLines = 20000;
    {
        TraceFile a, b;
        std::string error;
        ASSERT_TRUE(a.Open(path, error)) << error;
        ASSERT_TRUE(b.Open(path, error)) << error;
        a.OnConnected(7, 0x0100007F, 2301);
        b.OnConnected(7, 0x0200007F, 2302);
        auto send = [](TraceFile& t, const char* tag) {
            for (int i = 0; i < kLines; ++i) {
                const std::string data = std::string(tag) + std::to_string(i) + "\r\n";
                t.OnStream(7, true, data.data(), static_cast<int>(data.size()));
            }
        };
        std::thread other([&] { send(b, "B"); });
        send(a, "A");
        other.join();
    }
    std::istringstream lines(ReadAll(path));
    int nextA = 0, nextB = 0;
    for (std::string line; std::getline(lines, line);) {
        const size_t arrow = line.find("  >  ");
        ASSERT_NE(arrow, std::string::npos) << line;
        const std::string data = line.substr(arrow + 5);
        int& next = data[0] == 'A' ? nextA : nextB;
        const std::string device = data[0] == 'A' ? "127.0.0.1:2301" : "127.0.0.2:2302";
        ASSERT_NE(line.find("  " + device + "  "), std::string::npos) << line;
        ASSERT_EQ(data, data.substr(0, 1) + std::to_string(next) + "\\r\\n") << line;
        ++next;
    }
    EXPECT_EQ(nextA, kLines);
    EXPECT_EQ(nextB, kLines);
    std::remove(path.c_str());
}
