// Runs the built simulator on 127.0.0.1 with a port the system picks and
// talks to its console as the updater does.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/sim/test_records.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Reads fd into text until it holds needle; false after ms or at the end.
bool ReadUntil(int fd, std::string& text, const std::string& needle, int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (text.find(needle) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) return false;
        text.append(buffer, static_cast<size_t>(got));
    }
    return true;
}

struct Simulator {
    explicit Simulator(std::vector<std::string> options) {
        options.insert(options.begin(), {TQM530R_SIM, "--bind", "127.0.0.1", "--port", "0", "--no-ssdp"});
        std::vector<char*> argv;
        for (std::string& o : options) argv.push_back(o.data());
        argv.push_back(nullptr);
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        if (posix_spawn(&pid, TQM530R_SIM, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        out = pipeFds[0];
        if (pid > 0 && ReadUntil(out, output, "\n", 10000) && output.rfind("listening on 127.0.0.1:", 0) == 0)
            port = std::atoi(output.c_str() + output.rfind(':') + 1);
    }
    ~Simulator() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ::close(out);
    }
    // SIGTERM; true when it exited with 0 within ms. Reads the rest of its output.
    bool Stop(int ms) {
        ::kill(pid, SIGTERM);
        int status = 0;
        for (const auto until = Clock::now() + std::chrono::milliseconds(ms); ::waitpid(pid, &status, WNOHANG) == 0;) {
            if (Clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid = -1;
        ReadUntil(out, output, std::string(1, '\0'), 1000);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    pid_t pid = -1;
    int out = -1;
    int port = 0;
    std::string output;
};

// User plus system CPU time of a process so far, in ms (clock-tick resolution).
long ProcessCpuMs(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; fields >> field && i <= 15; ++i)
        if (i >= 14) ticks += std::stol(field);
    return ticks * 1000 / ::sysconf(_SC_CLK_TCK);
}

size_t Count(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

struct Client {
    explicit Client(int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    }
    ~Client() { ::close(fd); }
    void Send(const std::string& text) {
        EXPECT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL), ssize_t(text.size()));
    }
    // What arrived up to and including needle, or "" after ms.
    std::string Expect(const std::string& needle, int ms = 3000) {
        if (!ReadUntil(fd, pending, needle, ms)) return {};
        const size_t end = pending.find(needle) + needle.size();
        const std::string got = pending.substr(0, end);
        pending.erase(0, end);
        return got;
    }
    std::string Ask(const std::string& command) { return Send(command), Expect("\r\n"); }
    void Login() {
        EXPECT_EQ(Expect("login: "), "login: ");
        Send("\r\n");
        EXPECT_EQ(Expect("Password: "), "Password: ");
        Send("\r\necho 0\r\n");
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::string pending;
};

}  // namespace

TEST(SimulatorProcess, UpdateIsFlashedReportedAndKeptAcrossARestart) {
    char name[] = "/tmp/tqm530r-sim-e2e-XXXXXX";
    const std::string dir = ::mkdtemp(name);
    const auto image = SmallImage("1.0.05");
    std::ofstream imageFile(dir + "/image.mot");
    for (const std::string& line : image) imageFile << line;
    imageFile.close();
    const std::vector<std::string> options{"--state",    dir + "/state", "--log",
                                           dir + "/log", "--compare",    dir + "/image.mot"};
    {
        Simulator sim(options);
        ASSERT_GT(sim.port, 0) << sim.output;
        {
            Client c(sim.port);
            c.Login();
            EXPECT_EQ(c.Ask("version\r\n"), "ver.1.0.01\r\n");
            c.Send("initbuf\r\n");
            for (const std::string& line : image) EXPECT_EQ(c.Ask(line), "ok\r\n");
            EXPECT_EQ(c.Ask("check\r\n").rfind("sum  :", 0), 0u);
            EXPECT_EQ(c.Ask("flash\r\n"), "erase complete\r\n");
            EXPECT_EQ(c.Expect("\r\n"), "write complete\r\n");
            c.Send("reset\r\n");
            EXPECT_EQ(c.Ask("version\r\n"), "ver.1.0.05\r\n");
            c.Send("bye\r\n");
            c.Expect("never", 3000);
            char ch;
            EXPECT_EQ(::recv(c.fd, &ch, 1, MSG_DONTWAIT), 0);  // closed by the device
        }
        Client again(sim.port);  // served once the first connection has closed
        again.Login();
        EXPECT_EQ(again.Ask("version\r\n"), "ver.1.0.05\r\n");
        ASSERT_TRUE(sim.Stop(3000));
        EXPECT_NE(sim.output.find("lines received: 5\nbad-checksum lines: 0\n"), std::string::npos) << sim.output;
        EXPECT_NE(sim.output.find("flash matches image: yes\n"), std::string::npos);
    }
    std::ifstream logFile(dir + "/log");
    const std::string log((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("image lines: 5, bad checksum: 0"), std::string::npos) << log;
    EXPECT_NE(log.find("flash matches image: yes"), std::string::npos);

    Simulator restarted(options);
    Client c(restarted.port);
    c.Login();
    EXPECT_EQ(c.Ask("version\r\n"), "ver.1.0.05\r\n");
    ASSERT_TRUE(restarted.Stop(3000));
    EXPECT_NE(restarted.output.find("flash matches image: yes\n"), std::string::npos);
    EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}

TEST(SimulatorProcess, StopsAtOnceWhileWaitingToAnswer) {
    Simulator sim({"--slow-flash", "60000", "--firmware-version", "1.0.03"});
    ASSERT_GT(sim.port, 0);
    Client c(sim.port);
    c.Login();
    c.Send("flash\r\n");
    EXPECT_EQ(c.Expect("complete", 300), "");
    const auto start = Clock::now();
    ASSERT_TRUE(sim.Stop(3000));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_NE(sim.output.find("version: 1.0.03"), std::string::npos);
    EXPECT_EQ(sim.output.find("flash matches image"), std::string::npos);  // no --compare, no verdict
}

TEST(SimulatorProcess, AnswerDelayPacesEachLineWhileTheDeviceSleeps) {
    Simulator sim({"--answer-delay", "40"});
    ASSERT_GT(sim.port, 0);
    Client c(sim.port);
    c.Login();
    c.Send("initbuf\r\n");
    const auto image = SmallImage("1.0.05");
    const long cpuBefore = ProcessCpuMs(sim.pid);
    const auto start = Clock::now();
    for (int round = 0; round < 3; ++round)
        for (const std::string& line : image) EXPECT_EQ(c.Ask(line), "ok\r\n");
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(15 * 40));
    // Waiting is the poll's timeout: a busy wait would spend about the whole time on the CPU.
    const long cpuMs = ProcessCpuMs(sim.pid) - cpuBefore;
    EXPECT_LT(cpuMs, std::chrono::duration_cast<std::chrono::milliseconds>(took).count() / 4) << cpuMs;
    EXPECT_EQ(c.Ask("version\r\n"), "ver.1.0.01\r\n");  // other answers are not delayed
}

TEST(SimulatorProcess, ChattyDeviceTalksUntilItsSlowAnswers) {
    Simulator sim({"--chatty", "100", "--slow-check", "700", "--slow-flash", "350"});
    ASSERT_GT(sim.port, 0);
    Client c(sim.port);
    c.Login();
    c.Send("initbuf\r\n");
    for (const std::string& line : SmallImage("1.0.05")) EXPECT_EQ(c.Ask(line), "ok\r\n");
    const auto start = Clock::now();
    c.Send("check\r\n");
    const std::string check = c.Expect("sum  :", 3000);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(700));
    EXPECT_EQ(check, "working...\r\nworking...\r\nworking...\r\nworking...\r\nworking...\r\nworking...\r\nsum  :");
    c.Expect("\r\n");
    c.Send("flash\r\n");
    const std::string flash = c.Expect("write complete\r\n", 3000);
    EXPECT_EQ(Count(flash, "working...\r\n"), 6u) << flash;
    EXPECT_EQ(Count(flash.substr(0, flash.find("erase complete")), "working...\r\n"), 3u) << flash;
}

TEST(SimulatorProcess, AClientThatLeavesAChattyWaitFreesTheDeviceAtOnce) {
    Simulator sim({"--chatty", "50", "--slow-check", "60000"});
    ASSERT_GT(sim.port, 0);
    {
        Client c(sim.port);
        c.Login();
        c.Send("check\r\n");
        EXPECT_EQ(c.Expect("working...\r\nworking...\r\n", 1000), "working...\r\nworking...\r\n");
    }
    const auto start = Clock::now();
    Client next(sim.port);
    EXPECT_EQ(next.Expect("login: ", 3000), "login: ");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

namespace {

bool ConnectionRefused(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool refused = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno == ECONNREFUSED;
    ::close(fd);
    return refused;
}

}  // namespace

TEST(SimulatorProcess, DieAfterResetAnswersAfterTheResetThenRefusesEveryConnection) {
    char name[] = "/tmp/tqm530r-sim-die-XXXXXX";
    const std::string dir = ::mkdtemp(name);
    Simulator sim({"--die-after-reset", "2", "--version-after-reset", "1.0.66", "--log", dir + "/log"});
    ASSERT_GT(sim.port, 0);
    {
        Client c(sim.port);
        c.Login();
        c.Send("reset\r\nbye\r\n");
        EXPECT_EQ(c.Expect("never", 1000), "");
    }
    {
        Client back(sim.port);  // the verify right after the reset still finds it
        back.Login();
        EXPECT_EQ(back.Ask("version\r\n"), "ver.1.0.66\r\n");
    }
    bool refused = false;
    for (const auto until = Clock::now() + std::chrono::seconds(10); !refused && Clock::now() < until;) {
        refused = ConnectionRefused(sim.port);
        if (!refused) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(refused);
    ASSERT_TRUE(sim.Stop(3000));
    std::ifstream logFile(dir + "/log");
    const std::string log((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("running version 1.0.66"), std::string::npos) << log;
    EXPECT_NE(log.find("stopped answering"), std::string::npos) << log;
    EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}
