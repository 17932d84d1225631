// ReachDevice as each front end asks it, against the simulated device: what
// reaches the device for each request, and where each failure stops.
#include <string>

#include "console/device_access.h"
#include "tests/common/unresolvable_host.h"
#include "tests/integration/sim_fixture.h"

namespace {

class DeviceAccessTest : public SimulatorTest {
protected:
    DeviceReachRequest Request() const {
        DeviceReachRequest request;
        request.host = "127.0.0.1";
        request.port = static_cast<unsigned short>(sim_->Port());
        return request;
    }
};

}  // namespace

// The dialog's selection and the MAC-write mode: a plain connect, the login
// and, for the selection only, the version; the console stays open.
TEST_F(DeviceAccessTest, EachRequestSendsExactlyItsSteps) {
    StartDevice({"--firmware-version", "1.0.01"});
    for (const bool readVersion : {true, false}) {
        DeviceReachRequest request = Request();
        request.readVersion = readVersion;
        std::vector<std::string> steps;
        request.onStep = [&steps](ReachStep step) { steps.push_back(step == ReachStep::Connect ? "c" : "l"); };
        ReachedDevice device;
        ASSERT_EQ(ReachDevice(console, request, device), DeviceReach::Reached);
        EXPECT_NE(console.socket, kNoSocket);
        EXPECT_EQ(device.ip, "127.0.0.1");
        EXPECT_EQ(device.version, readVersion ? "1.0.01" : "");
        EXPECT_EQ(steps, (std::vector<std::string>{"c", "l"}));
        CloseConsole(console);
    }
    StopAndSummarise();
    const std::string log = DeviceLog();
    const std::string login = "connected\nuser name \"\"\npassword given\necho 0\n";
    EXPECT_EQ(Lines(log, login + "version\nclosed\n"), 1u) << log;
    EXPECT_EQ(Lines(log, login + "closed\n"), 1u) << log;
}

// A device whose MAC is not the expected one (loopback answers none) is left
// before the login; a login that ends or a version that never comes close the
// console, each with its own outcome.
TEST_F(DeviceAccessTest, EachFailureStopsAtItsStepAndClosesTheConsole) {
    StartDevice({});
    DeviceReachRequest request = Request();
    request.expectedMac = "02-4c-1a-03-12-ab";
    ReachedDevice device;
    EXPECT_EQ(ReachDevice(console, request, device), DeviceReach::MacChanged);
    EXPECT_EQ(device.mac, "");
    EXPECT_EQ(console.socket, kNoSocket);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_FALSE(LogHas("user name")) << DeviceLog();

    request = Request();
    request.host = kUnresolvableHost;
    EXPECT_EQ(ReachDevice(console, request, device), DeviceReach::HostNotResolved);

    console.waits.loginMs = 700;
    sim_->Kill();
    StartDevice({"--banner-with-prompt"});
    EXPECT_EQ(ReachDevice(console, Request(), device), DeviceReach::LoginFailed);
    EXPECT_EQ(console.socket, kNoSocket);
}
