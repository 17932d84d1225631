#pragma once

// The built tqm530r-sim as a child process on 127.0.0.1, on a port the system
// picks. It is ended by its own PID only: SIGTERM to read its summary, SIGKILL
// when a test wants it gone at once (and always at the end).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class SimulatorProcess {
public:
    using Clock = std::chrono::steady_clock;

    SimulatorProcess(const std::string& program, std::vector<std::string> options) {
        options.insert(options.begin(), {program, "--bind", "127.0.0.1", "--port", "0", "--no-ssdp"});
        Start(program, options);
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;
    ~SimulatorProcess() {
        Kill();
        if (out_ >= 0) ::close(out_);
    }

    unsigned short Port() const { return port_; }
    pid_t Pid() const { return pid_; }
    const std::string& Output() const { return output_; }

    // SIGTERM and wait for the exit; the output then ends with the summary.
    bool Stop(int ms = 5000) {
        if (pid_ <= 0) return false;
        ::kill(pid_, SIGTERM);
        int status = 0;
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
        ReadAvailable(1000);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    // Gone at once, mid-sentence if need be, as a device losing power.
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    void Start(const std::string& program, std::vector<std::string>& options) {
        std::vector<char*> argv;
        for (std::string& o : options) argv.push_back(o.data());
        argv.push_back(nullptr);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out_ = fds[0];
        const std::string ready = "listening on 127.0.0.1:";
        const auto until = Clock::now() + std::chrono::seconds(10);
        while (pid_ > 0 && output_.find('\n') == std::string::npos && Clock::now() < until) ReadAvailable(100);
        if (output_.rfind(ready, 0) == 0)
            port_ = static_cast<unsigned short>(std::atoi(output_.c_str() + ready.size()));
    }
    // Reads what the simulator printed until it has been quiet for ms.
    void ReadAvailable(int ms) {
        for (;;) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, ms) <= 0) return;
            char buffer[4096];
            const ssize_t got = ::read(out_, buffer, sizeof buffer);
            if (got <= 0) return;
            output_.append(buffer, static_cast<size_t>(got));
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    unsigned short port_ = 0;
    std::string output_;
};
