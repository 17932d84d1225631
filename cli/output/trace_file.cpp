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

}  // namespace

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
    text_.reserve(kMaxBytes + 4096);  // no growing, copy by copy, while lines arrive
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
    if (!text.empty()) file_.Append(text);
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
    const std::string device = Endpoint(address, port) + (name_.empty() ? "" : "[" + name_ + "]");
    std::lock_guard<std::mutex> lock(mutex_);
    devices_[socket] = device;
}

void TraceFile::OnStream(NetSocket socket, bool sent, const char* data, int length) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto found = devices_.find(socket);
    const bool wake = found != devices_.end() ? AddLine(found->second, sent, data, length)
                                              : AddLine("socket " + std::to_string(socket), sent, data, length);
    lock.unlock();
    if (wake) wake_.notify_one();
}

void TraceFile::OnDatagram(bool sent, uint32_t address, uint16_t port, const char* data, int length) {
    const std::string device = Endpoint(address, port) + " udp";
    std::unique_lock<std::mutex> lock(mutex_);
    const bool wake = AddLine(device, sent, data, length);
    lock.unlock();
    if (wake) wake_.notify_one();
}

// The line is made in place under the lock (held by the caller): the time
// text is made once a second and the microseconds added to it, as a traced
// transfer makes two lines for every image line. True when the writer is to wake.
bool TraceFile::AddLine(const std::string& device, bool sent, const char* data, int length) {
    const auto now = std::chrono::system_clock::now();
    const long long micros = std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count();
    const long long second = micros / 1000000;
    if (second != second_ || secondText_.empty()) {
        second_ = second;
        const std::string whole = UtcText(now, false);  // "...T19:12:16Z"
        secondText_ = whole.substr(0, whole.size() - 1) + ".";
    }
    line_.assign(secondText_);
    char fraction[7];
    long long rest = micros % 1000000;
    for (int i = 5; i >= 0; --i, rest /= 10) fraction[i] = static_cast<char>('0' + rest % 10);
    fraction[6] = 'Z';
    line_.append(fraction, 7);
    line_ += "  ";
    line_ += device;
    line_ += sent ? "  >  " : "  <  ";
    AppendVisibleBytes(line_, data, length);
    line_ += '\n';
    // The writer sleeps while the batch is empty: the first line sets its deadline.
    const bool first = batch_.Empty();
    return batch_.Add(line_, TraceBatch::Clock::now()) || first;
}
