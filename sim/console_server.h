#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/console_session.h"

// The console over TCP: one connection at a time, the next one is taken once
// the previous has closed. Each reply goes out in a send of its own.
class ConsoleServer {
public:
    struct Hooks {
        std::function<void(const std::string&)> log;  // one line for the log
        std::function<void()> save;                   // the kept state changed
        std::function<void()> connectionClosed;
        std::function<void()> died;  // --die-after-reset: from now on nothing answers
    };

    ConsoleServer(DeviceState& device, const ConsoleFaults& faults, Hooks hooks);
    ConsoleServer(const ConsoleServer&) = delete;
    ConsoleServer& operator=(const ConsoleServer&) = delete;
    ~ConsoleServer();

    bool Listen(const std::string& bindAddress, int port, std::string& error);
    int Port() const { return port_; }
    // Serves connections until stop is set; looks at stop at least every 200 ms,
    // also while a delayed reply waits. Delays are the poll's timeout, not
    // sleeps: the connection is read while a reply waits.
    void Run(const std::atomic<bool>& stop);

private:
    void Serve(int client, const std::atomic<bool>& stop);
    // Carries out actions that are due; Sends only while open. False once an
    // action closed the connection or a send failed.
    bool Execute(int client, const std::vector<ConsoleAction>& actions, bool open);
    // Closes the listener once the death after a reset is due: connections are refused.
    bool DiedNow(std::chrono::steady_clock::time_point now);

    DeviceState& device_;
    ConsoleFaults faults_;
    Hooks hooks_;
    int listener_ = -1;
    int port_ = 0;
    std::optional<std::chrono::steady_clock::time_point> deathAt_;
};
