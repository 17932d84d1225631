#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "cli/fleet/subprocess.h"

struct Subprocess::Os {
    pid_t pid = -1;
    int fd = -1;
};

namespace {

std::string OwnExecutable() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    return std::string(path, static_cast<size_t>(n));
}

std::string ExitText(int status) {
    if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "ended";
}

// The child starts with the stop signals blocked, so that a RequestStop while
// it starts waits for its handlers instead of killing it.
[[noreturn]] void Exec(const std::string& program, const std::vector<std::string>& arguments, int out) {
    sigset_t stops;
    sigemptyset(&stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    ::dup2(out, STDOUT_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

}  // namespace

Subprocess::Subprocess() : os_(new Os) {}

Subprocess::~Subprocess() {
    if (os_->fd >= 0) ::close(os_->fd);
}

bool Subprocess::Start(const std::vector<std::string>& arguments, std::string& error) {
    const std::string program = OwnExecutable();
    int fds[2];
    if (program.empty() || ::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("no pipe or no own executable: ") + std::strerror(errno);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("cannot fork: ") + std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) Exec(program, arguments, fds[1]);
    ::close(fds[1]);
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    os_->pid = pid;
    os_->fd = fds[0];
    return true;
}

bool Subprocess::Read(std::string& received) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(os_->fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        if (got <= 0) return false;
        received.append(buffer, static_cast<size_t>(got));
    }
}

void Subprocess::RequestStop() {
    if (os_->pid > 0) ::kill(os_->pid, SIGTERM);
}

std::string Subprocess::Reap(bool& clean) {
    int status = 0;
    while (::waitpid(os_->pid, &status, 0) < 0 && errno == EINTR) {
    }
    os_->pid = -1;
    clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ExitText(status);
}

std::vector<size_t> WaitForOutput(const std::vector<Subprocess*>& children, int timeoutMs) {
    std::vector<pollfd> polls;
    for (const Subprocess* c : children) polls.push_back({c->os_->fd, POLLIN, 0});
    std::vector<size_t> ready;
    if (::poll(polls.data(), polls.size(), timeoutMs) <= 0) return ready;
    for (size_t i = 0; i < polls.size(); ++i)
        if (polls[i].revents & (POLLIN | POLLHUP | POLLERR)) ready.push_back(i);
    return ready;
}

bool WriteToParent(const std::string& line) {
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
