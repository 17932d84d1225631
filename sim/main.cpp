// tqm530r-sim: a TQM-530R device on this machine, for tests, demos and
// trying the updater without hardware. Answers the SSDP search and serves the console.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "sim/device_console.h"

namespace {

volatile sig_atomic_t Stopping = 0;
void OnSignal(int) { Stopping = 1; }

struct Options {
    std::string bind = "0.0.0.0";
    int port = 23;
    std::string version = "1.0.01";
    bool ssdp = true;
    std::string log;
    std::string compare;
    DeviceFaults faults;
};

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: tqm530r-sim [options]\n"
                 "A simulated TQM-530R: answers the SSDP search and serves the console.\n\n"
                 "  --bind ADDR              console and SSDP address (default 0.0.0.0)\n"
                 "  --port N                 console port (default 23; 0 picks a free one)\n"
                 "  --firmware-version V     version before any flash (default 1.0.01)\n"
                 "  --no-ssdp                do not answer searches\n"
                 "  --log FILE               write a summary of what arrived\n"
                 "  --compare FILE           report whether the flashed image equals FILE\n"
                 "  --silent                 accept connections and never answer\n"
                 "  --close-after-lines N    drop the connection after N image lines\n"
                 "  --bad-check              answer \"check\" without a sum when a line was bad\n"
                 "  --help                   this text\n");
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tqm530r-sim: %s needs a value\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--help") { Usage(stdout); std::exit(0); }
        else if (a == "--bind") o.bind = value("--bind");
        else if (a == "--port") o.port = std::atoi(value("--port"));
        else if (a == "--firmware-version") o.version = value("--firmware-version");
        else if (a == "--no-ssdp") o.ssdp = false;
        else if (a == "--log") o.log = value("--log");
        else if (a == "--compare") o.compare = value("--compare");
        else if (a == "--silent") o.faults.silent = true;
        else if (a == "--close-after-lines") o.faults.closeAfterLines = std::atoi(value("--close-after-lines"));
        else if (a == "--bad-check") o.faults.badCheck = true;
        else { std::fprintf(stderr, "tqm530r-sim: unknown option %s\n", a.c_str()); Usage(stderr); return false; }
    }
    return true;
}

int ListenConsole(const Options& o, int& port) {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(o.port));
    a.sin_addr.s_addr = inet_addr(o.bind.c_str());
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 4) != 0) {
        std::perror("tqm530r-sim: console");
        return -1;
    }
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return s;
}

int OpenSsdp(const Options& o) {
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(1900);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        std::perror("tqm530r-sim: ssdp");
        ::close(s);
        return -1;
    }
    ip_mreq m{};
    m.imr_multiaddr.s_addr = inet_addr("239.255.255.250");
    m.imr_interface.s_addr = inet_addr(o.bind.c_str());
    setsockopt(s, IPPROTO_IP, IP_ADD_MEMBERSHIP, &m, sizeof m);
    return s;
}

void AnswerSearch(int s, const Options& o) {
    char buffer[2048] = {};
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t got = recvfrom(s, buffer, sizeof buffer - 1, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (got <= 0 || !std::strstr(buffer, "M-SEARCH") || !strcasestr(buffer, "urn:schemas-upnp-org:device:nubxsvr:0"))
        return;
    const std::string answer =
        "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=1800\r\nEXT:\r\nLOCATION: http://" + o.bind +
        ":80/desc.xml\r\nSERVER: Linux/5 UPnP/1.0 tqm530r-sim/1.0\r\nST: urn:schemas-upnp-org:device:nubxsvr:0\r\n"
        "USN: uuid:tqm530r-sim-" + o.bind + "::urn:schemas-upnp-org:device:nubxsvr:0\r\n\r\n";
    from.sin_port = htons(1900);
    sendto(s, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), sizeof from);
}

void SendReplies(int client, const std::vector<std::string>& replies) {
    for (size_t i = 0; i < replies.size(); ++i) {
        if (i > 0) usleep(50000);  // each reply arrives as a receive of its own
        send(client, replies[i].data(), replies[i].size(), MSG_NOSIGNAL);
    }
}

void Summarise(const Options& o, const DeviceConsole& device) {
    std::string summary = "lines received: " + std::to_string(device.LinesReceived()) +
                          "\nbad checksums: " + std::to_string(device.BadLines()) + "\nversion: " + device.Version() +
                          "\nmac tail: " + device.MacTail() + "\n";
    if (!o.compare.empty()) {
        std::ifstream in(o.compare, std::ios::binary);
        const std::string reference((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        summary += std::string("flash matches image: ") + (device.Flash() == reference ? "yes" : "no") + "\n";
    }
    std::fputs(summary.c_str(), stdout);
    std::fflush(stdout);
    if (!o.log.empty()) {
        const std::string temp = o.log + ".tmp";
        std::ofstream(temp) << summary;
        std::rename(temp.c_str(), o.log.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) return 2;
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
    int port = 0;
    const int listener = ListenConsole(o, port);
    if (listener < 0) return 1;
    const int ssdp = o.ssdp ? OpenSsdp(o) : -1;
    if (o.ssdp && ssdp < 0) return 1;
    std::printf("listening on %s:%d\n", o.bind.c_str(), port);
    std::fflush(stdout);

    DeviceConsole device(o.version, o.faults);
    int client = -1;
    while (!Stopping) {
        pollfd fds[3] = {{listener, POLLIN, 0}, {ssdp, POLLIN, 0}, {client, POLLIN, 0}};
        if (poll(fds, 3, 200) <= 0) continue;
        if (fds[1].revents & POLLIN) AnswerSearch(ssdp, o);
        if ((fds[0].revents & POLLIN) && client < 0) {
            client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) SendReplies(client, device.Connected());
        }
        if (client >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buffer[8192];
            const ssize_t got = recv(client, buffer, sizeof buffer, 0);
            std::vector<std::string> replies;
            const bool open = got > 0 && device.Feed(buffer, static_cast<size_t>(got), replies);
            SendReplies(client, replies);
            if (!open) {
                ::close(client);
                client = -1;
                if (!o.log.empty()) Summarise(o, device);
            }
        }
    }
    Summarise(o, device);
    return 0;
}
