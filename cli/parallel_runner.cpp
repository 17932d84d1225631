#include "cli/parallel_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/interruption.h"

namespace {

struct Child {
    size_t index = 0;
    pid_t pid = -1;
    int fd = -1;
    std::string pending;
};

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the parent is gone: the job goes on, its device must not be left mid-flash
        done += static_cast<size_t>(n);
    }
}

[[noreturn]] void RunChild(const ParallelJobs& p, size_t index, int fd, const std::vector<Child>& running) {
    for (const Child& c : running) ::close(c.fd);  // the other children's pipes are not ours
    auto send = [fd](const nlohmann::json& event) { WriteAll(fd, event.dump() + "\n"); };
    p.childMain(index, send);
    ::close(fd);
    std::fflush(nullptr);
    ::_exit(0);
}

bool Start(const ParallelJobs& p, size_t index, std::vector<Child>& running) {
    int fds[2];
    if (::pipe(fds) != 0) {
        p.onExit(index, std::string("no pipe: ") + std::strerror(errno), false);
        return false;
    }
    std::fflush(nullptr);  // nothing buffered may be written twice
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        p.onExit(index, std::string("cannot fork: ") + std::strerror(errno), false);
        return false;
    }
    if (pid == 0) {
        ::close(fds[0]);
        RunChild(p, index, fds[1], running);
    }
    ::close(fds[1]);
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    running.push_back({index, pid, fds[0], {}});
    if (p.onStart) p.onStart(index);
    return true;
}

void Deliver(const ParallelJobs& p, Child& c) {
    for (size_t lf = c.pending.find('\n'); lf != std::string::npos; lf = c.pending.find('\n')) {
        nlohmann::json event = nlohmann::json::parse(c.pending.substr(0, lf), nullptr, false);
        c.pending.erase(0, lf + 1);
        if (event.is_object()) p.onEvent(c.index, event);
    }
}

std::string ExitText(int status) {
    if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return std::string("killed by signal ") + std::to_string(WTERMSIG(status));
    return "ended";
}

// Reads what a child sent; true when its pipe has closed.
bool Drain(const ParallelJobs& p, Child& c) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(c.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
        if (got <= 0) return true;
        c.pending.append(buffer, static_cast<size_t>(got));
        Deliver(p, c);
    }
}

void Finish(const ParallelJobs& p, Child& c) {
    ::close(c.fd);
    int status = 0;
    while (::waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
    }
    p.onExit(c.index, ExitText(status), WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace

bool RunParallel(const ParallelJobs& p) {
    const size_t limit = p.jobs == 0 ? p.count : p.jobs;
    std::vector<Child> running;
    size_t next = 0;
    bool allStarted = true;
    bool stopping = false;
    while ((!stopping && next < p.count) || !running.empty()) {
        if (!stopping && p.interrupted && p.interrupted()) {
            stopping = true;
            for (const Child& c : running) InterruptDeviceProcess(c.pid);
        }
        while (!stopping && next < p.count && running.size() < limit)
            allStarted = Start(p, next++, running) && allStarted;
        std::vector<pollfd> polls;
        for (const Child& c : running) polls.push_back({c.fd, POLLIN, 0});
        const int ready = ::poll(polls.data(), polls.size(), p.tickMs);
        for (size_t i = running.size(); ready > 0 && i-- > 0;) {
            if (!(polls[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            if (!Drain(p, running[i])) continue;
            Finish(p, running[i]);
            running.erase(running.begin() + static_cast<long>(i));
        }
        if (p.onTick) p.onTick();
    }
    return allStarted;
}
