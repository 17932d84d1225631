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

bool TraceBatch::Add(const std::string& line, Clock::time_point now) {
    if (text_.empty()) first_ = now;
    text_ += line;
    return text_.size() >= kMaxBytes;
}

bool TraceBatch::Due(Clock::time_point now) const {
    return !text_.empty() && (text_.size() >= kMaxBytes || now >= Deadline());
}

std::string TraceBatch::Take() {
    std::string text;
    text.swap(text_);
    return text;
}

TraceFile::~TraceFile() {
    if (!writer_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    writer_.join();
    Flush();
}

bool TraceFile::Open(const std::string& path, std::string& error) {
    if (!file_.Open(path, error)) return false;
    writer_ = std::thread([this] { WriteBatches(); });
    return true;
}

void TraceFile::Flush() {
    std::lock_guard<std::mutex> writing(writing_);
    std::string text;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        text = batch_.Take();
    }
    if (!text.empty()) file_.Append(text, true);
}

void TraceFile::WriteBatches() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (batch_.Empty()) {
            wake_.wait(lock);
        } else if (!batch_.Due(TraceBatch::Clock::now())) {
            wake_.wait_until(lock, batch_.Deadline());
        } else {
            lock.unlock();
            Flush();
            lock.lock();
        }
    }
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
    bool wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // The writer sleeps while the batch is empty: the first line sets its deadline.
        wake = batch_.Empty();
        wake = batch_.Add(line, TraceBatch::Clock::now()) || wake;
    }
    if (wake) wake_.notify_one();
}
