#pragma once

// One simulated device per test, started with the test's fault switches, and
// the engine's own steps to reach it: connect, log in, read the version.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "console/console_limits.h"
#include "console/console_session.h"
#include "console/firmware_transfer.h"
#include "firmware/firmware_image.h"
#include "tests/common/recording_observer.h"
#include "tests/integration/simulator_process.h"

class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/tqm530r-integration-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir_ = name;
        ASSERT_TRUE(LoadFirmwareImage(nullptr, image));
    }
    void TearDown() override {
        CloseConsole(console);
        sim_.reset();
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    // Starts the device with these switches, a log and the carried image to compare with.
    void StartDevice(std::vector<std::string> options) {
        options.insert(options.end(), {"--log", LogPath(), "--compare", TQM530R_IMAGE});
        sim_ = std::make_unique<SimulatorProcess>(TQM530R_SIM, options);
        ASSERT_GT(sim_->Port(), 0) << sim_->Output();
    }
    SimulatorProcess& Device() { return *sim_; }
    std::string LogPath() const { return dir_ + "/device.log"; }
    std::string DeviceLog() const { return SimulatorProcess::ReadFile(LogPath()); }
    bool LogHas(const std::string& text) const { return DeviceLog().find(text) != std::string::npos; }
    // Waits until the device has seen every connection end, so that its log
    // holds all that was sent (it reads on after this side has closed).
    bool WaitUntilIdle(int ms = 5000) const {
        const auto until = SimulatorProcess::Clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const std::string log = "\n" + DeviceLog();
            if (Lines(log, "\nconnected\n") == Lines(log, "\nclosed\n")) return true;
            if (SimulatorProcess::Clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    // The summary the device prints when it is stopped.
    std::string StopAndSummarise() {
        EXPECT_TRUE(WaitUntilIdle());
        EXPECT_TRUE(sim_->Stop());
        return sim_->Output();
    }

    ConsoleOpenResult Connect() { return OpenConsole(console, "127.0.0.1", sim_->Port()); }
    // Connect and log in as a device selection does; false when either step fails.
    bool ConnectAndLogin() { return Connect() == ConsoleOpenResult::Connected && ConsoleLogin(console) > 0; }
    std::string ReadVersion() {
        char version[17];
        return QueryDeviceVersion(console, version) ? std::string(version) : std::string("(none)");
    }

    static size_t Lines(const std::string& text, const std::string& line) {
        size_t n = 0;
        for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
        return n;
    }

    // What the engine works on in each test: the carried image and one console.
    FirmwareImageView image;
    ConsoleConnection console;
    std::string dir_;
    std::unique_ptr<SimulatorProcess> sim_;
};
