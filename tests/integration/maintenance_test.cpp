// The MAC write and the ROM erase against the simulated device: what it
// stores, and that refused digits never open a connection.
#include <string>

#include "console/maintenance.h"
#include "tests/integration/sim_fixture.h"

namespace {

class MaintenanceTest : public SimulatorTest {
protected:
    void SetUp() override {
        SimulatorTest::SetUp();
        console.waits.loginMs = 1000;
        StartDevice({});
    }
    // As the MAC-write mode: the plain connect and the login, no version read.
    MacWriteOutcome Write(const char* digits) {
        DeviceReachRequest request;
        request.host = "127.0.0.1";
        request.port = static_cast<unsigned short>(Device().Port());
        request.readVersion = false;
        return RunMacWrite(console, request, digits);
    }
};

}  // namespace

TEST_F(MaintenanceTest, MacDigitsReachTheDeviceAsTyped) {
    struct Case {
        const char* digits;
        const char* command;  // as the device logged it, zero padding dropped
        const char* stored;
    };
    const Case cases[] = {{"12ab", "fw 304 12ab", "12AB"},
                          {"CDEF", "fw 304 CDEF", "CDEF"},
                          {"9a8B7", "fw 304 9a8B", "9A8B"}};  // the fifth digit is ignored
    for (const Case& c : cases) {
        EXPECT_EQ(Write(c.digits), MacWriteOutcome::Written) << c.digits;
        ASSERT_TRUE(WaitUntilIdle());
        const std::string log = DeviceLog();
        EXPECT_NE(
            log.find(std::string("debug 1\n") + c.command + "\nmac tail " + c.stored + "\ndebug 0\necho 1\nbye\n"),
            std::string::npos)
            << log;
    }
    EXPECT_NE(StopAndSummarise().find("mac tail: 9A8B\n"), std::string::npos);
    char address[kMacAddressTextSize];
    FormatWrittenMacAddress("9a8B7", address);
    EXPECT_STREQ(address, "02-4C-1A-03-9a-8B");
}

TEST_F(MaintenanceTest, RefusedDigitsSendNothing) {
    for (const char* digits : {"zz", "abc", "12g4", ""})
        EXPECT_EQ(Write(digits), MacWriteOutcome::InvalidDigits) << digits;
    EXPECT_EQ(console.socket, kNoSocket);
    const std::string summary = StopAndSummarise();
    EXPECT_NE(summary.find("mac tail: -\n"), std::string::npos) << summary;
    EXPECT_FALSE(LogHas("connected"));  // no connection was even opened
}

TEST_F(MaintenanceTest, MacWriteToAnEndedLoginFails) {
    // A device that never prompts for the password: the write is not reported as done.
    Device().Kill();
    StartDevice({"--banner-with-prompt"});
    EXPECT_EQ(Write("12ab"), MacWriteOutcome::WriteFailed);
    EXPECT_NE(StopAndSummarise().find("mac tail: -\n"), std::string::npos);
    EXPECT_FALSE(LogHas("fw 304"));
}

TEST_F(MaintenanceTest, EraseSendsTheEighteenLinesInOrder) {
    ASSERT_TRUE(ConnectAndLogin());
    SendEraseCommands(console);
    CloseConsole(console);
    StopAndSummarise();
    // Everything the device received after the login, as it logged each line.
    const std::string log = DeviceLog();
    const std::string login = "password given\necho 0\n";
    const size_t start = log.find(login);
    ASSERT_NE(start, std::string::npos) << log;
    const size_t end = log.find("closed\n", start);
    ASSERT_NE(end, std::string::npos) << log;
    EXPECT_EQ(log.substr(start + login.size(), end - start - login.size()),
              "debug 1\n"
              "era 20000\nera 30000\nera 40000\nera 50000\nera 60000\nera 70000\nera 80000\n"
              "era 90000\nera A0000\nera B0000\nera C0000\nera D0000\nera E0000\nera F0000\n"
              "debug 0\n"
              "echo 1\n"
              "bye\n");
}
