#include "sim/ssdp_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

const char* const kSearchTarget = "urn:schemas-upnp-org:device:nubxsvr:0";

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

bool IsDeviceSearch(std::string_view datagram) {
    if (datagram.find("M-SEARCH") == std::string_view::npos) return false;
    size_t start = 0;
    while (start < datagram.size()) {
        size_t end = datagram.find('\n', start);
        if (end == std::string_view::npos) end = datagram.size();
        const std::string_view line = datagram.substr(start, end - start);
        start = end + 1;
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        if (SameText(Trim(line.substr(0, colon)), "ST") && Trim(line.substr(colon + 1)) == kSearchTarget) return true;
    }
    return false;
}

std::string DeviceUuid(const std::string& ip) {
    in_addr a{};
    uint32_t host = inet_pton(AF_INET, ip.c_str(), &a) == 1 ? ntohl(a.s_addr) : 0;
    char text[64];
    std::snprintf(text, sizeof text, "53510530-0000-4000-8000-%012X", static_cast<unsigned>(host));
    return text;
}

std::string SearchAnswer(const std::string& ip) {
    return "HTTP/1.1 200 OK\r\n"
           "CACHE-CONTROL: max-age=1800\r\n"
           "EXT:\r\n"
           "LOCATION: http://" +
           ip +
           ":80/desc.xml\r\n"
           "SERVER: Linux/5 UPnP/1.0 tqm530r-sim/1.0\r\n"
           "ST: " +
           kSearchTarget +
           "\r\n"
           "USN: uuid:" +
           DeviceUuid(ip) + "::" + kSearchTarget +
           "\r\n"
           "\r\n";
}

SsdpResponder::~SsdpResponder() {
    if (fd_ >= 0) ::close(fd_);
}

bool SsdpResponder::Open(const std::string& bindAddress, std::string& error) {
    bind_ = bindAddress;
    in_addr iface{};
    if (inet_pton(AF_INET, bindAddress.c_str(), &iface) != 1) {
        error = "ssdp: bad address " + bindAddress;
        return false;
    }
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        error = std::string("ssdp: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(1900);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        error = std::string("ssdp: port 1900: ") + std::strerror(errno);
        return false;
    }
    ip_mreq group{};
    inet_pton(AF_INET, "239.255.255.250", &group.imr_multiaddr);
    group.imr_interface = iface;  // 0.0.0.0: the interface the system picks
    if (::setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) != 0) {
        // Searches sent to this machine's own address still get an answer.
        std::fprintf(stderr, "tqm530r-sim: ssdp: joining 239.255.255.250: %s\n", std::strerror(errno));
    }
    return true;
}

void SsdpResponder::Run(const std::atomic<bool>& stop) {
    while (!stop) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 200) > 0 && (p.revents & POLLIN)) AnswerOne();
    }
}

// The address of this machine the system would send from to reach peer; a
// connected datagram socket tells without sending anything.
std::string SsdpResponder::LocalAddressTowards(const sockaddr_in& peer) const {
    if (bind_ != "0.0.0.0") return bind_;
    std::string ip = "127.0.0.1";
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return ip;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::connect(probe, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length) == 0) {
        char text[INET_ADDRSTRLEN];
        if (inet_ntop(AF_INET, &local.sin_addr, text, sizeof text)) ip = text;
    }
    ::close(probe);
    return ip;
}

void SsdpResponder::AnswerOne() {
    char buffer[2048];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t got = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (got <= 0 || muted_ || !IsDeviceSearch(std::string_view(buffer, static_cast<size_t>(got)))) return;
    from.sin_port = htons(1900);
    const std::string answer = SearchAnswer(LocalAddressTowards(from));
    ::sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), sizeof from);
}
