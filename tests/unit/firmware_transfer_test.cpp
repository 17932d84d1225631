#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "console/console_limits.h"
#include "console/console_session.h"
#include "console/firmware_transfer.h"
#include "console/maintenance.h"
#include "fake_device.h"
#include "firmware/firmware_image.h"
#include "tests/common/image_shape.h"
#include "tests/common/recording_observer.h"
#include "tests/common/unresolvable_host.h"

namespace {

struct DeviceLog {
    std::string image;
    std::vector<std::string> commands;
    unsigned lines = 0;
};

// A device that answers each image line, then "sum  :" and two "complete".
void WellBehaved(FakeConnection& c, DeviceLog& log, int closeAfterLines = -1, int completes = 2) {
    c.Login();
    for (std::string line = c.ReadLine(); !line.empty(); line = c.ReadLine()) {
        const size_t glued = line.find("check\r\n");
        if (glued != std::string::npos && glued > 0) {  // an unterminated last line runs into "check"
            log.image += line.substr(0, glued);
            line.erase(0, glued);
        }
        if (line[0] == 'S') {
            log.image += line;
            ++log.lines;
            if (static_cast<int>(log.lines) == closeAfterLines) return;
            if (line.compare(0, 2, "S8") != 0) c.Send("ok\r\n");
            continue;
        }
        log.commands.push_back(line);
        if (line == "bye\r\n") return;
        if (line == "check\r\n") c.SendAlone("sum  :1234\r\n");
        if (line == "flash\r\n")
            for (int i = 0; i < completes; ++i) c.SendAlone(i == 0 ? "erase complete\r\n" : "write complete\r\n");
    }
}

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadFirmwareImage(nullptr, image));
        console.waits.lineMs = 2000;
        console.waits.checksumMs = 1000;
        console.waits.completeMs = 1000;
    }
    void TearDown() override { CloseConsole(console); }
    // Logs in to the device, runs one update, then lets the device finish.
    UpdateResult UpdateAgainst(FakeDevice& d, RecordingObserver& observer) {
        EXPECT_EQ(OpenConsole(console, "127.0.0.1", d.Port()), ConsoleOpenResult::Connected);
        EXPECT_GT(ConsoleLogin(console), 0);
        const UpdateResult r = RunFirmwareUpdate(console, image, observer);
        CloseConsole(console);
        d.Join();
        return r;
    }
    FirmwareImageView image;
    ConsoleConnection console;
};

}  // namespace

TEST_F(TransferTest, WholeImageReachesTheDeviceWithTheDescribedProgress) {
    const std::string carried(image.text, image.size);
    for (int round = 0; round < 2; ++round) {  // a second update sends everything again
        DeviceLog log;
        FakeDevice device([&](FakeConnection& c) { WellBehaved(c, log); });
        RecordingObserver observer;
        const UpdateResult r = UpdateAgainst(device, observer);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(observer.finished, 1);
        EXPECT_EQ(r.lineSends, kImageLines);
        EXPECT_EQ(r.lineReceives, 11459u);
        EXPECT_EQ(r.sentBytes, kImageBytes);
        EXPECT_EQ(log.image, carried);
        EXPECT_EQ(log.commands, (std::vector<std::string>{"initbuf\r\n", "check\r\n", "flash\r\n", "reset\r\n",
                                                          "echo 1\r\n", "bye\r\n"}));

        EXPECT_EQ(observer.phases, (std::vector<UpdatePhase>{UpdatePhase::Transfer, UpdatePhase::Check,
                                                             UpdatePhase::Flash, UpdatePhase::Reset}));
        ASSERT_EQ(observer.percents.size(), kImageLines + 3);
        EXPECT_EQ(observer.percents.front(), 0);
        EXPECT_EQ(observer.percents[11459], 98);  // last transfer display
        EXPECT_EQ(std::vector<int>(observer.percents.end() - 3, observer.percents.end()),
                  (std::vector<int>{98, 99, 99}));
        for (size_t i = 0; i < kImageLines; ++i) {
            const auto [sent, percent] = observer.beforeLine[i];
            if (sent < 10541) {
                EXPECT_EQ(percent, 0) << sent;
            }
            ASSERT_LE(percent, 98);
            if (i > 0) {
                ASSERT_GE(percent, observer.beforeLine[i - 1].second);
            }
        }
        EXPECT_EQ(observer.percents[1 + 240], 1);  // somewhere past 10,541 bytes it shows 1
    }
}

TEST_F(TransferTest, ADroppedConnectionIsAFailureAndNothingMoreIsSent) {
    DeviceLog log;
    FakeDevice device([&](FakeConnection& c) { WellBehaved(c, log, 500); });
    RecordingObserver observer;
    const UpdateResult r = UpdateAgainst(device, observer);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(observer.finished, 0);
    EXPECT_EQ(console.socket, kNoSocket);
    EXPECT_EQ(device.Received().find("reset"), std::string::npos);
    EXPECT_EQ(device.Received().find("check"), std::string::npos);
    EXPECT_EQ(observer.phases, std::vector<UpdatePhase>{UpdatePhase::Transfer});
}

TEST_F(TransferTest, FewerThanTwoCompletesOrNoChecksumFail) {
    {
        DeviceLog log;
        FakeDevice device([&](FakeConnection& c) { WellBehaved(c, log, -1, 1); });
        RecordingObserver observer;
        const UpdateResult r = UpdateAgainst(device, observer);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.failure, UpdateFailure::FlashIncomplete);
        EXPECT_EQ(observer.percents.back(), 99);
        EXPECT_EQ(device.Received().find("reset"), std::string::npos);
    }
    FakeDevice rejecting([&](FakeConnection& c) {
        c.Login();
        for (std::string line = c.ReadLine(); !line.empty(); line = c.ReadLine())
            if (line[0] == 'S' && line.compare(0, 2, "S8") != 0)
                c.Send("ok\r\n");
            else if (line == "check\r\n")
                c.SendAlone("error: bad checksum\r\n");
    });
    RecordingObserver observer;
    const UpdateResult r = UpdateAgainst(rejecting, observer);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failure, UpdateFailure::NoChecksum);
    EXPECT_EQ(rejecting.Received().find("flash"), std::string::npos);
}

TEST_F(TransferTest, ChecksumAlreadyLeftByTheLoopAndDoubleCompleteInOneReceive) {
    // A three-line image: the answer to the second line already holds "sum  :".
    static const char text[] = "S0030000FC\r\nS1040000AA51\r\nS9030000FC\r\n";
    image = {text, sizeof text - 1};
    std::vector<std::string> after;
    FakeDevice device([&](FakeConnection& c) {
        c.Login();
        c.ReadLine();  // initbuf
        c.ReadLine();
        c.Send("ok\r\n");
        c.ReadLine();
        c.Send("sum  :00FF\r\n");
        c.ReadLine();  // last line
        c.ReadLine();  // check: answered by nothing
        c.ReadLine();  // flash
        c.SendAlone("complete complete\r\n");
        c.SendAlone("complete\r\n");
        for (std::string line = c.ReadLine(); !line.empty(); line = c.ReadLine()) after.push_back(line);
    });
    RecordingObserver observer;
    const UpdateResult r = UpdateAgainst(device, observer);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(after, (std::vector<std::string>{"reset\r\n", "echo 1\r\n", "bye\r\n"}));
    EXPECT_EQ(std::count(observer.percents.begin(), observer.percents.end(), 99), 2);
}

TEST_F(TransferTest, AnImageWithoutFinalLineFeedSendsItsRest) {
    static const char text[] = "S1040000AA51\r\nS9030000FC";
    image = {text, sizeof text - 1};
    DeviceLog log;
    FakeDevice device([&](FakeConnection& c) { WellBehaved(c, log); });
    RecordingObserver observer;
    const UpdateResult r = UpdateAgainst(device, observer);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.sentBytes, sizeof text - 1);
    EXPECT_EQ(log.image, std::string(text));
    EXPECT_NE(device.Received().find("S9030000FCcheck\r\n"), std::string::npos);
}

TEST_F(TransferTest, SilentDeviceEndsTheUpdateWithinItsBound) {
    console.waits.lineMs = 300;
    FakeDevice device([&](FakeConnection& c) {
        c.Login();
        c.ReadAll();
    });
    RecordingObserver observer;
    const UpdateResult r = UpdateAgainst(device, observer);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failure, UpdateFailure::TimedOut);
    EXPECT_EQ(r.lineSends, 1u);
}

// A device that keeps sending other text every 100 ms for 2 s once it is
// told "check" (stuck: never "sum  :"), or after "flash" (never "complete").
void Chatty(FakeConnection& c, bool stuckAtCheck) {
    c.Login();
    for (std::string line = c.ReadLine(); !line.empty(); line = c.ReadLine()) {
        if (line[0] == 'S' && line.compare(0, 2, "S9") != 0) c.Send("ok\r\n");
        const bool stuck = stuckAtCheck ? line == "check\r\n" : line == "flash\r\n";
        if (!stuck) {
            if (line == "check\r\n") c.SendAlone("sum  :00FF\r\n");
            continue;
        }
        for (int i = 0; i < 20; ++i) {
            c.Send("working...\r\n");
            ::usleep(100000);
        }
        c.ReadAll();
        return;
    }
}

TEST_F(TransferTest, AChattyDeviceCannotStretchTheChecksumOrFlashWait) {
    static const char text[] = "S0030000FC\r\nS1040000AA51\r\nS9030000FC\r\n";
    console.waits.checksumMs = 500;
    console.waits.completeMs = 500;
    for (const bool stuckAtCheck : {true, false}) {
        image = {text, sizeof text - 1};
        FakeDevice device([&](FakeConnection& c) { Chatty(c, stuckAtCheck); });
        RecordingObserver observer;
        EXPECT_EQ(OpenConsole(console, "127.0.0.1", device.Port()), ConsoleOpenResult::Connected);
        EXPECT_GT(ConsoleLogin(console), 0);
        const auto start = std::chrono::steady_clock::now();
        const UpdateResult r = RunFirmwareUpdate(console, image, observer);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.failure, stuckAtCheck ? UpdateFailure::NoChecksum : UpdateFailure::FlashIncomplete);
        EXPECT_LT(took, std::chrono::milliseconds(1500)) << "the 500 ms bound was stretched by other text";
        device.Join();
        EXPECT_EQ(device.Received().find("reset"), std::string::npos);
    }
}

// Stops when asked: after some lines, or at the moment "flash" would go out.
struct StoppingObserver : RecordingObserver {
    size_t stopAfterLines = 0;
    bool stopAtFlash = false;
    bool StopRequested() override {
        if (stopAtFlash) return !phases.empty() && phases.back() == UpdatePhase::Flash;
        return beforeLine.size() >= stopAfterLines;
    }
};

TEST_F(TransferTest, AStopBeforeFlashSendsNothingMoreAndNeverFlash) {
    for (const bool atFlash : {false, true}) {
        DeviceLog log;
        FakeDevice device([&](FakeConnection& c) { WellBehaved(c, log); });
        StoppingObserver observer;
        observer.stopAfterLines = 100;
        observer.stopAtFlash = atFlash;
        const UpdateResult r = UpdateAgainst(device, observer);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.failure, UpdateFailure::Stopped);
        EXPECT_EQ(console.socket, kNoSocket);
        EXPECT_EQ(device.Received().find("flash"), std::string::npos);
        if (atFlash) {
            EXPECT_EQ(log.lines, kImageLines);
            EXPECT_EQ(log.commands, (std::vector<std::string>{"initbuf\r\n", "check\r\n"}));
        } else {
            EXPECT_EQ(log.lines, 100u);
            EXPECT_EQ(log.commands, std::vector<std::string>{"initbuf\r\n"});
        }
    }
}

// The console's own stop flag (raised by a signal handler) stops the update
// as the observer's answer does: before the next line, nothing flashed. It
// stops that connection only: opened again, the connection updates.
TEST_F(TransferTest, TheConsolesStopFlagStopsBeforeTheNextLineUntilOpenedAgain) {
    DeviceLog log;
    FakeDevice device([&](FakeConnection& c) { WellBehaved(c, log); });
    struct RaisingObserver : RecordingObserver {
        ConsoleConnection* console = nullptr;
        void OnLine(int percent, unsigned sent, unsigned total) override {
            RecordingObserver::OnLine(percent, sent, total);
            if (beforeLine.size() == 3) console->stop.store(true);
        }
    } observer;
    observer.console = &console;
    const UpdateResult r = UpdateAgainst(device, observer);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failure, UpdateFailure::Stopped);
    EXPECT_EQ(log.lines, 3u);
    EXPECT_EQ(log.commands, std::vector<std::string>{"initbuf\r\n"});

    static const char text[] = "S0030000FC\r\nS1040000AA51\r\nS9030000FC\r\n";
    image = {text, sizeof text - 1};
    DeviceLog again;
    FakeDevice next([&](FakeConnection& c) { WellBehaved(c, again); });
    RecordingObserver plain;
    EXPECT_TRUE(UpdateAgainst(next, plain).ok);
    EXPECT_EQ(again.image, text);
}

TEST(Maintenance, EraseSendsTheEighteenLinesInOrder) {
    ConsoleConnection console;
    FakeDevice device([](FakeConnection& c) {
        c.Login();
        c.ReadAll();
    });
    ASSERT_EQ(OpenConsole(console, "127.0.0.1", device.Port()), ConsoleOpenResult::Connected);
    ASSERT_GT(ConsoleLogin(console), 0);
    const EraseReport sent = SendEraseCommands(console);
    EXPECT_EQ(sent.outcome, EraseOutcome::Done);
    EXPECT_EQ(sent.linesSent, 18);
    CloseConsole(console);
    device.Join();
    EXPECT_EQ(device.Received(),
              "\r\n\r\necho 0\r\n"  // the login
              "debug 1\r\n"
              "era 20000\r\nera 30000\r\nera 40000\r\nera 50000\r\nera 60000\r\nera 70000\r\nera 80000\r\n"
              "era 90000\r\nera A0000\r\nera B0000\r\nera C0000\r\nera D0000\r\nera E0000\r\nera F0000\r\n"
              "debug 0\r\n"
              "echo 1\r\n"
              "bye\r\n");
}

// The device answers no erase line; "bye" is the one whose answer, the end of
// the console, says the device took them all.
TEST(Maintenance, AnEraseIsDoneOnlyWhenTheDeviceEndsTheConsoleAfterBye) {
    const struct {
        const char* device;
        std::function<void(FakeConnection&)> handler;
        bool endedBeforeErase;
        EraseOutcome outcome;
        int linesSent;
    } cases[] = {
        {"ends the console at \"bye\"",
         [](FakeConnection& c) {
             c.Login();
             for (std::string line = c.ReadLine(); !line.empty() && line != "bye\r\n";) line = c.ReadLine();
         },
         false, EraseOutcome::Done, 18},
        {"keeps the console open",
         [](FakeConnection& c) {
             c.Login();
             c.ReadAll();
         },
         false, EraseOutcome::NotEnded, 18},
        {"ended the connection after the login", [](FakeConnection& c) { c.Login(); }, true,
         EraseOutcome::EndedEarly, 0},
    };
    for (const auto& t : cases) {
        ConsoleConnection console;
        console.waits.loginMs = 300;
        FakeDevice device(t.handler);
        ASSERT_EQ(OpenConsole(console, "127.0.0.1", device.Port()), ConsoleOpenResult::Connected) << t.device;
        ASSERT_GT(ConsoleLogin(console), 0) << t.device;
        if (t.endedBeforeErase) device.Join();
        const EraseReport erase = EraseAndAwaitEnd(console);
        EXPECT_EQ(erase.outcome, t.outcome) << t.device;
        EXPECT_EQ(erase.linesSent, t.linesSent) << t.device;
        CloseConsole(console);
    }
}

TEST(Maintenance, MacFrameAndMessage) {
    char frame[kMacFrameSize];
    BuildMacWriteFrame("12ab", frame);
    EXPECT_EQ(std::string(frame, 13), "fw 304 12ab\r\n");
    for (int i = 13; i < kMacFrameSize; ++i) ASSERT_EQ(frame[i], 0);
    BuildMacWriteFrame("12AB9", frame);
    EXPECT_EQ(std::string(frame, 14), std::string("fw 304 12AB\r\n\0", 14));
    char address[kMacAddressTextSize];
    FormatWrittenMacAddress("12ab", address);
    EXPECT_STREQ(address, "02-4C-1A-03-12-ab");
    FormatWrittenMacAddress("12AB9", address);
    EXPECT_STREQ(address, "02-4C-1A-03-12-AB");
    EXPECT_TRUE(IsValidMacDigits("12ab"));
    EXPECT_TRUE(IsValidMacDigits("FFFFzz"));
    EXPECT_FALSE(IsValidMacDigits("abc"));
    EXPECT_FALSE(IsValidMacDigits("zz"));
    EXPECT_FALSE(IsValidMacDigits("12g4"));
    EXPECT_FALSE(IsValidMacDigits(""));
}

DeviceReachRequest MacWriteAt(const char* host, int port) {
    DeviceReachRequest request;
    request.host = host;
    request.port = static_cast<unsigned short>(port);
    request.readVersion = false;
    return request;
}

TEST(Maintenance, MacWriteEndToEndAndRefusals) {
    ConsoleConnection console;
    FakeDevice device([](FakeConnection& c) {
        c.Login();
        c.ReadAll();
    });
    EXPECT_EQ(RunMacWrite(console, MacWriteAt("127.0.0.1", device.Port()), "12ab"), MacWriteOutcome::Written);
    EXPECT_EQ(console.socket, kNoSocket);
    device.Join();
    const std::string expected = std::string("\r\n\r\necho 0\r\ndebug 1\r\nfw 304 12ab\r\n") + std::string(57, '\0') +
                                 "debug 0\r\necho 1\r\nbye\r\n";
    EXPECT_EQ(device.Received(), expected);

    FakeDevice untouched([](FakeConnection& c) { c.ReadAll(); });
    EXPECT_EQ(RunMacWrite(console, MacWriteAt("127.0.0.1", untouched.Port()), "abc"), MacWriteOutcome::InvalidDigits);
    EXPECT_EQ(RunMacWrite(console, MacWriteAt(kUnresolvableHost, untouched.Port()), "12ab"),
              MacWriteOutcome::InvalidHost);

    FakeDevice noPassword([](FakeConnection& c) { c.SendAlone("login: "); });
    console.waits.loginMs = 1000;
    EXPECT_EQ(RunMacWrite(console, MacWriteAt("127.0.0.1", noPassword.Port()), "12ab"), MacWriteOutcome::WriteFailed);
    EXPECT_EQ(console.socket, kNoSocket);
}
