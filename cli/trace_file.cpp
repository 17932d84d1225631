#include "cli/trace_file.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

std::string Endpoint(uint32_t address, uint16_t port) {
    in_addr a{};
    a.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return std::string(text) + ":" + std::to_string(port);
}

// UTC with microseconds.
std::string Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm utc{};
    gmtime_r(&now.tv_sec, &utc);
    char text[40];
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + n, sizeof text - n, ".%06ldZ", now.tv_nsec / 1000);
    return text;
}

}  // namespace

std::string VisibleBytes(const char* data, int length) {
    std::string text;
    text.reserve(static_cast<size_t>(length) + 8);
    for (int i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        switch (c) {
        case '\r': text += "\\r"; continue;
        case '\n': text += "\\n"; continue;
        case '\t': text += "\\t"; continue;
        case '\0': text += "\\0"; continue;
        case '\\': text += "\\\\"; continue;
        default: break;
        }
        if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
            continue;
        }
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        text += hex;
    }
    return text;
}

std::string TraceLine(const std::string& time, const std::string& device, bool sent, const char* data, int length) {
    return time + "  " + device + "  " + (sent ? ">" : "<") + "  " + VisibleBytes(data, length) + "\n";
}

TraceFile::~TraceFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool TraceFile::Open(const std::string& path, std::string& error) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0) return true;
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
}

void TraceFile::OnConnected(NetSocket socket, uint32_t address, uint16_t port) {
    devices_[socket] = Endpoint(address, port);
}

void TraceFile::OnStream(NetSocket socket, bool sent, const char* data, int length) {
    const auto found = devices_.find(socket);
    Write(found == devices_.end() ? "socket " + std::to_string(socket) : found->second, sent, data, length);
}

void TraceFile::OnDatagram(bool sent, uint32_t address, uint16_t port, const char* data, int length) {
    Write(Endpoint(address, port) + " udp", sent, data, length);
}

void TraceFile::Write(const std::string& device, bool sent, const char* data, int length) {
    const std::string line = TraceLine(Now(), device, sent, data, length);
    // One write a line: O_APPEND puts each whole at the end, whoever else writes.
    (void)!::write(fd_, line.data(), line.size());
}
