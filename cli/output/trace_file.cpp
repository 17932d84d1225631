#include "cli/output/trace_file.h"

#include <chrono>
#include <cstdio>

#include "cli/output/utc_time.h"
#include "net/datagram.h"

namespace {

std::string Endpoint(uint32_t address, uint16_t port) {
    char text[16];
    NetAddressText(address, text);
    return std::string(text) + ":" + std::to_string(port);
}

std::string Now() { return UtcText(std::chrono::system_clock::now(), true); }

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

TraceFile::~TraceFile() = default;

bool TraceFile::Open(const std::string& path, std::string& error) { return file_.Open(path, error); }

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
    file_.Append(line);
}
