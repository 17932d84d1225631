// Stand-in for tc netem where the kernel has no netem: a TCP relay that holds
// every chunk from the updater for DELAY_US before passing it on to the
// device (as netem on the updater's egress would); answers pass at once.
// One connection at a time, like the device.
//   bench_delay_relay LISTEN_ADDR LISTEN_PORT DEVICE_ADDR DEVICE_PORT DELAY_US
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Address(const char* ip, const char* port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(std::atoi(port)));
    inet_pton(AF_INET, ip, &a.sin_addr);
    return a;
}

void NoDelay(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

struct Held {
    Clock::time_point due;
    std::string bytes;
};

// Relays one connection until either side ends it.
void Relay(int client, int device, std::chrono::microseconds delay) {
    std::deque<Held> held;
    char buffer[65536];
    for (;;) {
        timespec wait{1, 0};
        if (!held.empty()) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(held.front().due - Clock::now());
            const long ns = left.count() > 0 ? static_cast<long>(left.count()) : 0;
            wait = {ns / 1000000000, ns % 1000000000};
        }
        pollfd p[2] = {{client, POLLIN, 0}, {device, POLLIN, 0}};
        if (ppoll(p, 2, &wait, nullptr) < 0) return;
        if (p[0].revents) {
            const ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            held.push_back({Clock::now() + delay, std::string(buffer, static_cast<size_t>(n))});
        }
        if (p[1].revents) {
            const ssize_t n = recv(device, buffer, sizeof buffer, 0);
            if (n <= 0 || send(client, buffer, static_cast<size_t>(n), MSG_NOSIGNAL) != n) return;
        }
        while (!held.empty() && held.front().due <= Clock::now()) {
            const std::string& b = held.front().bytes;
            if (send(device, b.data(), b.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(b.size())) return;
            held.pop_front();
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) return 2;
    prctl(PR_SET_TIMERSLACK, 1UL);  // sub-millisecond waits stay sub-millisecond
    const sockaddr_in listenAt = Address(argv[1], argv[2]);
    const sockaddr_in deviceAt = Address(argv[3], argv[4]);
    const std::chrono::microseconds delay(std::atol(argv[5]));
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(listener, reinterpret_cast<const sockaddr*>(&listenAt), sizeof listenAt) != 0 || listen(listener, 4) != 0)
        return 1;
    std::printf("relaying\n");
    std::fflush(stdout);
    for (;;) {
        const int client = accept(listener, nullptr, nullptr);
        if (client < 0) continue;
        const int device = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(device, reinterpret_cast<const sockaddr*>(&deviceAt), sizeof deviceAt) == 0) {
            NoDelay(client);
            NoDelay(device);
            Relay(client, device, delay);
        }
        close(device);
        close(client);
    }
}
