#include "sim/console_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "sim/outbox.h"

namespace {

constexpr int kPollMs = 200;

// Sleeps ms, cut short by stop.
void Wait(int ms, const std::atomic<bool>& stop) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stop && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// The poll's timeout: until the outbox's next action, at most kPollMs so that
// a stop is seen; rounded up, so that a wait never ends before it is due.
int PollMs(std::optional<Outbox::Clock::duration> untilNext) {
    if (!untilNext) return kPollMs;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(*untilNext).count();
    return static_cast<int>(std::min<long long>(kPollMs, (us + 999) / 1000));
}

bool SendText(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

ConsoleServer::ConsoleServer(DeviceState& device, const ConsoleFaults& faults, Hooks hooks)
    : device_(device), faults_(faults), hooks_(std::move(hooks)) {}

ConsoleServer::~ConsoleServer() {
    if (listener_ >= 0) ::close(listener_);
}

bool ConsoleServer::Listen(const std::string& bindAddress, int port, std::string& error) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, bindAddress.c_str(), &a.sin_addr) != 1) {
        error = "console: bad address " + bindAddress;
        return false;
    }
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        error = std::string("console: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 4) != 0) {
        error = "console: " + bindAddress + ":" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    socklen_t length = sizeof a;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
    return true;
}

void ConsoleServer::Run(const std::atomic<bool>& stop) {
    while (!stop) {
        if (listener_ < 0 || DiedNow(std::chrono::steady_clock::now())) {
            Wait(kPollMs, stop);
            continue;
        }
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0 || !(p.revents & POLLIN)) continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        const unsigned resets = device_.resets;
        Serve(client, stop);
        ::close(client);
        if (hooks_.connectionClosed) hooks_.connectionClosed();
        if (device_.resets != resets && faults_.dieAfterResetMs >= 0 && !deathAt_)
            deathAt_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(faults_.dieAfterResetMs);
        // Restarting: a new connection is taken only after the restart time.
        if (device_.resets != resets && faults_.resetDelayMs > 0) Wait(faults_.resetDelayMs, stop);
    }
}

bool ConsoleServer::DiedNow(std::chrono::steady_clock::time_point now) {
    if (!deathAt_ || now < *deathAt_) return false;
    ::close(listener_);
    listener_ = -1;
    if (hooks_.died) hooks_.died();
    return true;
}

void ConsoleServer::Serve(int client, const std::atomic<bool>& stop) {
    ConsoleSession session(device_, faults_);
    Outbox outbox;
    outbox.Add(session.Connected(), Outbox::Clock::now());
    bool open = true;
    bool reading = true;
    char buffer[8192];
    while (open && !stop && (reading || !outbox.Empty())) {
        open = Execute(client, outbox.TakeDue(Outbox::Clock::now()), true);
        if (!open) break;
        const int waitMs = PollMs(outbox.UntilNext(Outbox::Clock::now()));
        // After the client's end only what waits to be sent is left: sleep until it is due.
        pollfd p{client, POLLIN, 0};
        if (::poll(reading ? &p : nullptr, reading ? 1 : 0, waitMs) <= 0) continue;
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            reading = false;
            continue;
        }
        outbox.Add(session.Feed(std::string_view(buffer, static_cast<size_t>(got))), Outbox::Clock::now());
    }
    Execute(client, outbox.DropSends(), false);
    Execute(client, session.Closed(), false);
}

bool ConsoleServer::Execute(int client, const std::vector<ConsoleAction>& actions, bool open) {
    for (const ConsoleAction& a : actions) {
        switch (a.kind) {
        case ConsoleAction::Kind::Send:
            if (open && !SendText(client, a.text)) open = false;
            break;
        case ConsoleAction::Kind::Log:
            if (hooks_.log) hooks_.log(a.text);
            break;
        case ConsoleAction::Kind::Save:
            if (hooks_.save) hooks_.save();
            break;
        case ConsoleAction::Kind::Close: open = false; break;
        }
    }
    return open;
}
