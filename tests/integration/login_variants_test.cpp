// The prompts and version answers a device may give, through the simulator's
// switches: what the engine accepts, and what it gives up on within its bound.
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "tests/integration/sim_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

struct LoginCase {
    const char* name;
    std::vector<std::string> options;
    bool logsIn;
    std::string version;  // "(none)" when no answer is read
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const LoginCase& c, std::ostream* os) { *os << c.name; }

class LoginVariantTest : public SimulatorTest, public ::testing::WithParamInterface<LoginCase> {};

const LoginCase kLoginCases[] = {
    {"plain", {}, true, "1.0.01"},
    {"banner_before_prompt", {"--banner"}, true, "1.0.01"},
    {"upper_case_prompts", {"--prompt-case", "upper"}, true, "1.0.01"},
    {"lower_case_prompts", {"--prompt-case", "lower"}, true, "1.0.01"},
    // "login: " together with the banner is no prompt; the device sends nothing more.
    {"banner_with_prompt", {"--banner-with-prompt"}, false, ""},
    // "ver." cut in two receives is never found: the query runs into its bound.
    {"split_version", {"--split-version"}, true, "(none)"},
    // More than 16 characters without a CR among the first 16: the first 16 are kept.
    {"long_version", {"--firmware-version", "1.0.05-build.12345"}, true, "1.0.05-build.123"},
};

}  // namespace

TEST_P(LoginVariantTest, LoginAndVersionQuery) {
    const LoginCase& c = GetParam();
    console.waits.loginMs = 700;
    StartDevice(c.options);
    ASSERT_EQ(Connect(), ConsoleOpenResult::Connected);
    const auto start = Clock::now();
    const int login = ConsoleLogin(console);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    if (!c.logsIn) {
        EXPECT_LE(login, 0);
        CloseConsole(console);
        StopAndSummarise();
        EXPECT_FALSE(LogHas("user name"));  // the joined prompt was not answered
        return;
    }
    ASSERT_GT(login, 0);
    EXPECT_EQ(ReadVersion(), c.version);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    CloseConsole(console);
    StopAndSummarise();
    const std::string log = DeviceLog();
    // One empty user name, one empty password, echo off, one version request.
    EXPECT_NE(log.find("connected\nuser name \"\"\npassword given\necho 0\nversion\nclosed\n"), std::string::npos)
        << log;
}

INSTANTIATE_TEST_SUITE_P(Device, LoginVariantTest, ::testing::ValuesIn(kLoginCases),
                         [](const ::testing::TestParamInfo<LoginCase>& info) { return std::string(info.param.name); });
