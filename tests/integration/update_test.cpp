// The whole update of the carried image into the simulated device, and the
// ways a device can let it down, over real TCP on 127.0.0.1.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "console/version_verdict.h"
#include "firmware/image_version.h"
#include "tests/common/image_shape.h"
#include "tests/integration/sim_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string CarriedVersion(const FirmwareImageView& image) {
    char text[kImageVersionTextSize];
    ExtractImageVersion(text, image.text, image.size);
    return std::string(text, strnlen(text, sizeof text));
}

void ExpectDescribedProgress(const RecordingObserver& o) {
    ASSERT_EQ(o.beforeLine.size(), kImageLines);
    ASSERT_EQ(o.percents.size(), kImageLines + 3);
    EXPECT_EQ(o.percents.front(), 0);
    int previous = 0;
    for (const auto& [sent, percent] : o.beforeLine) {
        if (sent < 10541) {
            ASSERT_EQ(percent, 0) << "at " << sent << " bytes";
        } else {
            ASSERT_GE(percent, 1) << "at " << sent << " bytes";
        }
        ASSERT_GE(percent, previous);
        ASSERT_LE(percent, 98);
        previous = percent;
    }
    EXPECT_EQ(o.beforeLine.back().second, 98);  // last display of the transfer
    EXPECT_EQ(std::vector<int>(o.percents.end() - 3, o.percents.end()), (std::vector<int>{98, 99, 99}));
}

class DeviceUpdateTest : public SimulatorTest {
protected:
    // Logs in as a device selection does and runs one update.
    UpdateResult LoginAndUpdate(RecordingObserver& observer) {
        EXPECT_TRUE(ConnectAndLogin());
        return RunFirmwareUpdate(console, image, observer);
    }
};

}  // namespace

TEST_F(DeviceUpdateTest, CarriedImageIsFlashedTwiceInOneRun) {
    StartDevice({"--firmware-version", "1.0.01"});
    const std::string carried = CarriedVersion(image);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("update " + std::to_string(round + 1));
        ASSERT_TRUE(ConnectAndLogin());
        const std::string running = ReadVersion();
        EXPECT_EQ(running, round == 0 ? "1.0.01" : carried);  // the device restarted into the image
        EXPECT_EQ(JudgeDeviceVersion(running.c_str(), carried.c_str()),
                  round == 0 ? VersionVerdict::CanUpdate : VersionVerdict::Latest);
        RecordingObserver observer;
        const UpdateResult r = RunFirmwareUpdate(console, image, observer);
        ASSERT_TRUE(r.ok) << static_cast<int>(r.failure);
        EXPECT_EQ(observer.finished, 1);
        EXPECT_EQ(r.lineSends, kImageLines);
        EXPECT_EQ(r.lineReceives, 11459u);
        EXPECT_EQ(r.sentBytes, kImageBytes);
        ExpectDescribedProgress(observer);
        CloseConsole(console);
    }
    const std::string summary = StopAndSummarise();
    EXPECT_NE(summary.find("lines received: " + std::to_string(2 * kImageLines) + "\nbad-checksum lines: 0\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("version: " + carried + "\n"), std::string::npos);
    EXPECT_NE(summary.find("flashed lines: " + std::to_string(kImageLines) + "\n"), std::string::npos);
    EXPECT_NE(summary.find("flash matches image: yes\n"), std::string::npos);
    const std::string log = DeviceLog();
    EXPECT_EQ(Count(log, "image lines: " + std::to_string(kImageLines) + ", bad checksum: 0"), 2u) << log;
    // The commands around the image, in their order, once per update.
    EXPECT_EQ(
        Count(log, "initbuf\nimage lines: " + std::to_string(kImageLines) +
                       ", bad checksum: 0\ncheck\nflash\nflashed " + std::to_string(kImageLines) + " lines\nreset\n"),
        2u);
    EXPECT_EQ(Count(log, "reset\nrunning version " + carried + "\necho 1\nbye\n"), 1u);  // only the first changes it
    EXPECT_EQ(Count(log, "echo 1\nbye\n"), 2u);
}

TEST_F(DeviceUpdateTest, DeviceClosingMidTransferIsAFailureWithoutReset) {
    console.waits.lineMs = 2000;
    StartDevice({"--close-after-lines", "500"});
    RecordingObserver observer;
    const UpdateResult r = LoginAndUpdate(observer);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(observer.finished, 0);
    EXPECT_TRUE(r.failure == UpdateFailure::ConnectionEnded || r.failure == UpdateFailure::SendFailed)
        << static_cast<int>(r.failure);
    EXPECT_GE(r.lineSends, 500u);
    EXPECT_LT(r.lineSends, kImageLines);
    EXPECT_EQ(console.socket, kNoSocket);  // closed: the next selection starts afresh
    EXPECT_LT(observer.percents.back(), 98);
    const std::string summary = StopAndSummarise();
    EXPECT_NE(summary.find("flash matches image: no\n"), std::string::npos) << summary;
    EXPECT_TRUE(LogHas("closing after 500 image lines"));
    for (const char* command : {"\ncheck\n", "\nflash\n", "\nreset\n", "\nbye\n"})
        EXPECT_FALSE(LogHas(command)) << command << " reached the device";
}

TEST_F(DeviceUpdateTest, RejectedImageIsNeverFlashed) {
    // The carried image with one data line's checksum spoilt, so the device's check fails.
    std::string spoilt(image.text, image.size);
    const size_t line = spoilt.find("\r\nS214020400");
    ASSERT_NE(line, std::string::npos);
    const size_t checksum = spoilt.find("\r\n", line + 2) - 1;
    spoilt[checksum] = spoilt[checksum] == '0' ? '1' : '0';
    image = {spoilt.data(), static_cast<uint32_t>(spoilt.size())};
    console.waits.checksumMs = 500;
    StartDevice({"--bad-check"});

    RecordingObserver observer;
    const auto start = Clock::now();
    const UpdateResult r = LoginAndUpdate(observer);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failure, UpdateFailure::NoChecksum);
    EXPECT_EQ(r.lineSends, kImageLines);  // the whole image went, and only the check refused it
    const std::string summary = StopAndSummarise();
    EXPECT_NE(summary.find("bad-checksum lines: 1\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("flashed lines: 0\n"), std::string::npos);
    EXPECT_TRUE(LogHas("\ncheck\n"));
    EXPECT_FALSE(LogHas("\nflash\n"));
    EXPECT_FALSE(LogHas("\nreset\n"));
}

TEST_F(DeviceUpdateTest, FlashReportingOnlyOnceFailsWithinTheWaitAndSendsNoReset) {
    console.waits.completeMs = 700;
    StartDevice({"--one-complete"});
    RecordingObserver observer;
    const auto start = Clock::now();
    const UpdateResult r = LoginAndUpdate(observer);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failure, UpdateFailure::FlashIncomplete);
    EXPECT_EQ(std::count(observer.percents.begin(), observer.percents.end(), 99), 1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    StopAndSummarise();
    EXPECT_TRUE(LogHas("flash erased, write lost"));
    EXPECT_FALSE(LogHas("\nreset\n"));
    EXPECT_FALSE(LogHas("\nbye\n"));
}

// Both "complete" answers in one receive, as after a lost segment resent
// together with the next: the dialog's count takes that receive once and
// waits on; the command line's takes both and goes on to the reset.
TEST_F(DeviceUpdateTest, BothCompletesInOneReceiveCountTwiceOnlyPerAnswer) {
    console.waits.completeMs = 700;
    StartDevice({"--completes-together"});
    RecordingObserver perReceive;
    const UpdateResult once = LoginAndUpdate(perReceive);
    EXPECT_FALSE(once.ok);
    EXPECT_EQ(once.failure, UpdateFailure::FlashIncomplete);
    EXPECT_EQ(std::count(perReceive.percents.begin(), perReceive.percents.end(), 99), 1);
    StopAndSummarise();
    EXPECT_FALSE(LogHas("\nreset\n"));

    console.completeCounting = CompleteCounting::PerAnswer;
    StartDevice({"--completes-together"});
    RecordingObserver perAnswer;
    const UpdateResult r = LoginAndUpdate(perAnswer);
    EXPECT_TRUE(r.ok) << static_cast<int>(r.failure);
    EXPECT_EQ(std::count(perAnswer.percents.begin(), perAnswer.percents.end(), 99), 2);
    EXPECT_NE(StopAndSummarise().find("flash matches image: yes\n"), std::string::npos);
    EXPECT_TRUE(LogHas("\nreset\n"));
}

TEST_F(DeviceUpdateTest, SlowFlashWithinEachWaitSucceeds) {
    console.waits.completeMs = 2000;  // each "complete" comes 800 ms after the one before
    StartDevice({"--slow-flash", "800"});
    RecordingObserver observer;
    const UpdateResult r = LoginAndUpdate(observer);
    EXPECT_TRUE(r.ok) << static_cast<int>(r.failure);
    EXPECT_NE(StopAndSummarise().find("flash matches image: yes\n"), std::string::npos);
}

TEST_F(DeviceUpdateTest, SilentDeviceIsGivenUpWithinTheBounds) {
    console.waits.loginMs = 300;
    console.waits.lineMs = 300;
    StartDevice({"--silent"});
    auto start = Clock::now();
    ASSERT_EQ(Connect(), ConsoleOpenResult::Connected);
    EXPECT_LE(ConsoleLogin(console), 0);  // shown like a failed connect
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));

    // Past a login, a device that stops answering ends the transfer after one line.
    RecordingObserver observer;
    start = Clock::now();
    const UpdateResult r = RunFirmwareUpdate(console, image, observer);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failure, UpdateFailure::TimedOut);
    EXPECT_EQ(r.lineSends, 1u);
    EXPECT_EQ(observer.finished, 0);
    // A silent device logs no commands; its count shows that one line and nothing after it arrived.
    const std::string summary = StopAndSummarise();
    EXPECT_NE(summary.find("lines received: 1\n"), std::string::npos) << summary;
}
