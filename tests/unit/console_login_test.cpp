#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "console/console_limits.h"
#include "console/console_session.h"
#include "console/version_verdict.h"
#include "fake_device.h"
#include "tests/common/unresolvable_host.h"

namespace {

class ConsoleLoginTest : public ::testing::Test {
protected:
    void SetUp() override { console.waits.loginMs = 1000; }
    void TearDown() override { CloseConsole(console); }
    void Open(FakeDevice& device) {
        ASSERT_EQ(OpenConsole(console, "127.0.0.1", device.Port()), ConsoleOpenResult::Connected);
    }
    ConsoleConnection console;
};

}  // namespace

TEST_F(ConsoleLoginTest, SkipsBannersAndAcceptsPromptsInAnyCase) {
    FakeDevice device([](FakeConnection& c) {
        c.SendAlone("Welcome\r\n");
        c.SendAlone("Welcome\r\nlogin: ");  // prompt with other text: not a prompt
        c.SendAlone("LOGIN: ");
        c.ReadLine();
        c.SendAlone("password: ");
        c.ReadLine();
        c.ReadLine();
    });
    Open(device);
    EXPECT_GT(ConsoleLogin(console), 0);
    CloseConsole(console);
    device.Join();
    // Exactly one user-name answer, to the prompt that stood alone.
    EXPECT_EQ(device.Received(), "\r\n\r\necho 0\r\n");
}

TEST_F(ConsoleLoginTest, EndsWithoutAnswerWhenTheDeviceClosesOrStaysSilent) {
    {
        FakeDevice device([](FakeConnection& c) {
            c.SendAlone("login: ");
            c.ReadLine();
        });
        Open(device);
        EXPECT_LE(ConsoleLogin(console), 0);
    }
    CloseConsole(console);
    FakeDevice silent([](FakeConnection& c) { c.ReadAll(); });
    Open(silent);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_LE(ConsoleLogin(console), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    CloseConsole(console);
}

// Text that is never a prompt, every 100 ms for 2 s: the login's bound holds
// for the whole login, not for each receive.
TEST_F(ConsoleLoginTest, ABannerThatNeverEndsCannotStretchTheLogin) {
    console.waits.loginMs = 500;
    FakeDevice chatty([](FakeConnection& c) {
        for (int i = 0; i < 20; ++i) {
            c.Send("welcome\r\n");
            ::usleep(100000);
        }
        c.ReadAll();
    });
    Open(chatty);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_LT(ConsoleLogin(console), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    CloseConsole(console);
}

TEST_F(ConsoleLoginTest, VersionAnswerVariants) {
    FakeDevice device([](FakeConnection& c) {
        c.Login();
        c.ReadLine();  // version
        c.SendAlone("ve");
        c.SendAlone("r.9.9.9\r\n");         // "ver." split across two receives: not found
        c.SendAlone("> ver.1.0.05\r\n> ");  // found
        c.ReadLine();
        c.SendAlone("ver.1234567890.234567\r\n");  // 16 characters and no CR within them
        c.ReadLine();
    });
    Open(device);
    ASSERT_GT(ConsoleLogin(console), 0);
    char version[17];
    ASSERT_TRUE(QueryDeviceVersion(console, version));
    EXPECT_STREQ(version, "1.0.05");
    ASSERT_TRUE(QueryDeviceVersion(console, version));
    EXPECT_STREQ(version, "1234567890.23456");
    EXPECT_FALSE(QueryDeviceVersion(console, version));  // the device has closed
    EXPECT_STREQ(version, "");
}

TEST_F(ConsoleLoginTest, ConnectOutcomes) {
    EXPECT_EQ(OpenConsole(console, kUnresolvableHost, 23), ConsoleOpenResult::HostNotResolved);
    EXPECT_EQ(console.socket, kNoSocket);
    int port;
    {
        FakeDevice closed([](FakeConnection&) {});
        port = closed.Port();
    }
    EXPECT_EQ(OpenConsole(console, "127.0.0.1", static_cast<unsigned short>(port)), ConsoleOpenResult::NotConnected);
    EXPECT_NE(console.socket, kNoSocket);  // the caller's to close, as the dialog's next selection does
    CloseConsole(console);
    EXPECT_EQ(console.socket, kNoSocket);
}

TEST(VersionVerdict, AgainstTheCarriedVersion) {
    EXPECT_EQ(JudgeDeviceVersion("1.0.05", "1.0.05"), VersionVerdict::Latest);
    EXPECT_EQ(JudgeDeviceVersion("1.0.5", "1.0.05"), VersionVerdict::Latest);
    EXPECT_EQ(JudgeDeviceVersion("1.1.0", "1.0.05"), VersionVerdict::Newer);
    EXPECT_EQ(JudgeDeviceVersion("0.1.0", "1.0.05"), VersionVerdict::NoValidFirmware);
    EXPECT_EQ(JudgeDeviceVersion("0.0.9", "1.0.05"), VersionVerdict::CanUpdate);
    EXPECT_EQ(JudgeDeviceVersion("0.1.1", "1.0.05"), VersionVerdict::CanUpdate);
    EXPECT_EQ(JudgeDeviceVersion("1.256.0", "1.0.05"), VersionVerdict::CanUpdate);
    EXPECT_EQ(JudgeDeviceVersion("0.1.0", "0.1.0"), VersionVerdict::Latest);
    EXPECT_EQ(JudgeDeviceVersion("0.1.0", "0.0.9"), VersionVerdict::Newer);
    EXPECT_EQ(JudgeDeviceVersion("1.0.06", "1.0.05"), VersionVerdict::Newer);
    EXPECT_EQ(JudgeDeviceVersion("2.0.0", "1.255.255"), VersionVerdict::Newer);  // majors weigh more than minors
}
