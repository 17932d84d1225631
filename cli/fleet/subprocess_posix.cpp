#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

#include "cli/fleet/subprocess.h"

extern char** environ;

struct Subprocess::Os {
    pid_t pid = -1;
    int fd = -1;
};

namespace {

using Clock = std::chrono::steady_clock;

// The running program's own file, even once it has been renamed, replaced or
// unlinked: the kernel keeps it while this process runs.
constexpr char kOwnExecutable[] = "/proc/self/exe";
// How long a killed child may take to be gone.
constexpr int kKilledEndMs = 5000;

// What the child is called in its argv[0] (ps, messages): the path the
// program was started from.
std::string OwnName() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink(kOwnExecutable, path, sizeof path - 1);
    if (n <= 0) return "tqm530r";
    return std::string(path, static_cast<size_t>(n));
}

std::string ExitText(int status) {
    if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "ended";
}

sigset_t StopSignals() {
    sigset_t stops;
    sigemptyset(&stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
    return stops;
}

// The child is born with the stop signals blocked and their actions at the
// default: a stop sent while it starts (to it, or to the whole group as
// Ctrl-C is) waits until its own handlers are in place and unblock them
// (WatchDeviceInterruptions), and no handler of the parent ever runs in it.
// The parent blocks them too while it starts the child, so that the child
// inherits the blocked mask whatever the C library does between its fork and
// the exec; a stop meant for the parent is only held back until then.
class SpawnSetup {
public:
    explicit SpawnSetup(int out) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
        const sigset_t stops = StopSignals();
        pthread_sigmask(SIG_BLOCK, &stops, &parentMask_);
        sigset_t childMask = parentMask_;
        for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&childMask, s);
        ok_ = posix_spawn_file_actions_adddup2(&actions_, out, STDOUT_FILENO) == 0 &&
              posix_spawnattr_setsigmask(&attributes_, &childMask) == 0 &&
              posix_spawnattr_setsigdefault(&attributes_, &stops) == 0 &&
              posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes_);
        posix_spawn_file_actions_destroy(&actions_);
        pthread_sigmask(SIG_SETMASK, &parentMask_, nullptr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // 0 with the child's pid, else an errno value.
    int Spawn(const std::vector<std::string>& arguments, pid_t& pid) {
        if (!ok_) return EINVAL;
        const std::string name = OwnName();
        std::vector<char*> argv{const_cast<char*>(name.c_str())};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        return posix_spawn(&pid, kOwnExecutable, &actions_, &attributes_, argv.data(), environ);
    }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
    sigset_t parentMask_;
    bool ok_ = false;
};

void Nap(int ms) {
    const timespec pause{ms / 1000, (ms % 1000) * 1000000L};
    ::nanosleep(&pause, nullptr);
}

// Waits at most ms for the child to end; false when it still runs. A child
// that cannot be waited for (already reaped) counts as ended.
bool AwaitEnd(pid_t pid, int ms, int& status) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
    for (int nap = 1;; nap = nap < 50 ? nap * 2 : 50) {
        const pid_t got = ::waitpid(pid, &status, WNOHANG);
        if (got == pid || (got < 0 && errno != EINTR)) return true;
        if (Clock::now() >= until) return false;
        Nap(nap);
    }
}

}  // namespace

Subprocess::Subprocess() : os_(new Os) {}

Subprocess::~Subprocess() {
    if (os_->fd >= 0) ::close(os_->fd);
}

bool Subprocess::Start(const std::vector<std::string>& arguments, std::string& error) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    pid_t pid = -1;
    const int failed = SpawnSetup(fds[1]).Spawn(arguments, pid);
    ::close(fds[1]);
    if (failed != 0) {
        error = std::string("cannot start the device's process: ") + std::strerror(failed);
        ::close(fds[0]);
        return false;
    }
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

void Subprocess::Kill() {
    if (os_->pid > 0) ::kill(os_->pid, SIGKILL);
}

std::string Subprocess::Reap(bool& clean, int boundMs) {
    const pid_t pid = os_->pid;
    os_->pid = -1;
    clean = false;
    int status = -1;
    if (AwaitEnd(pid, boundMs, status)) {
        clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        return ExitText(status);
    }
    ::kill(pid, SIGKILL);
    return KilledAfterText(boundMs, AwaitEnd(pid, kKilledEndMs, status) ? ExitText(status) : "still running");
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
