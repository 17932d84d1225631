#pragma once

// A scripted device on loopback for the console tests: one connection, a
// handler that reads lines and answers as the test wants.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "loopback_socket.h"
#include "net/trace.h"

// How many bytes the console under test (in this process) has received from
// the fake device listening on each port: the net layer's trace hook hears
// every connect and receive. A device's answer is split where it waits for
// these reads, whatever the timing.
class ConsoleReads : public NetTraceSink {
public:
    static ConsoleReads& Instance() {
        static ConsoleReads reads;
        return reads;
    }
    // A new device on port: nothing read from it yet.
    void Watch(unsigned short port) {
        std::lock_guard<std::mutex> lock(mutex_);
        read_[port] = 0;
    }
    // True once the console has received at least bytes from the device on
    // port; false when 10 s pass first.
    bool AwaitRead(unsigned short port, size_t bytes) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return read_[port] >= bytes; });
    }
    void OnConnected(NetSocket socket, uint32_t, uint16_t port) override {
        std::lock_guard<std::mutex> lock(mutex_);
        portOf_[socket] = port;
    }
    void OnStream(NetSocket socket, bool sent, const char*, int length) override {
        if (sent) return;
        std::lock_guard<std::mutex> lock(mutex_);
        const auto device = portOf_.find(socket);
        if (device == portOf_.end()) return;
        read_[device->second] += static_cast<size_t>(length);
        changed_.notify_all();
    }
    void OnDatagram(bool, uint32_t, uint16_t, const char*, int) override {}

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<NetSocket, unsigned short> portOf_;
    std::map<unsigned short, size_t> read_;
};

class FakeConnection {
public:
    FakeConnection(TestSocket fd, unsigned short port) : fd_(fd), port_(port) {}
    // Through the next "\n"; what is left when the peer closes; "" at the end.
    std::string ReadLine() {
        for (;;) {
            size_t lf = pending_.find('\n');
            if (lf != std::string::npos) {
                std::string line = pending_.substr(0, lf + 1);
                pending_.erase(0, lf + 1);
                return line;
            }
            char chunk[9000];
            const int got = static_cast<int>(::recv(fd_, chunk, sizeof chunk, 0));
            if (got <= 0) {
                std::string rest;
                rest.swap(pending_);
                return rest;
            }
            pending_.append(chunk, static_cast<size_t>(got));
            received_.append(chunk, static_cast<size_t>(got));
        }
    }
    std::string ReadAll() {
        std::string all;
        for (std::string line = ReadLine(); !line.empty(); line = ReadLine()) all += line;
        return all;
    }
    void Send(const std::string& text) {
        const int sent = static_cast<int>(::send(fd_, text.data(), static_cast<int>(text.size()), kSendFlags));
        if (sent > 0) sent_ += static_cast<size_t>(sent);
    }
    // Text the console receives on its own: once it has read everything sent
    // before, and before anything sent after. A console that stops reading
    // fails the test after 10 s.
    void SendAlone(const std::string& text) {
        if (!ConsoleReads::Instance().AwaitRead(port_, sent_)) ADD_FAILURE() << "the console left earlier text unread";
        Send(text);
        if (!ConsoleReads::Instance().AwaitRead(port_, sent_)) ADD_FAILURE() << "the console never read: " << text;
    }
    void Login() {
        SendAlone("login: ");
        ReadLine();
        SendAlone("Password: ");
        ReadLine();  // "\r\n"
        ReadLine();  // "echo 0\r\n"
    }
    const std::string& Received() const { return received_; }

private:
    TestSocket fd_;
    unsigned short port_;
    size_t sent_ = 0;
    std::string pending_;
    std::string received_;
};

class FakeDevice {
public:
    explicit FakeDevice(std::function<void(FakeConnection&)> handler) {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 1);
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        ConsoleReads::Instance().Watch(port_);
        previousTrace_ = NetTrace;
        NetTrace = &ConsoleReads::Instance();
        thread_ = std::thread([this, handler, listening = listen_] {
            const TestSocket fd = ::accept(listening, nullptr, nullptr);
            if (fd == kNoTestSocket) return;
            FakeConnection c(fd, port_);
            handler(c);
            received_ = c.Received();
            CloseTestSocket(fd);
        });
    }
    ~FakeDevice() {
        Join();
        NetTrace = previousTrace_;
    }
    // Waits for the handler; afterwards Received() holds every byte that came in.
    void Join() {
        if (thread_.joinable()) {
            StopListening(listen_);
            thread_.join();
        }
        if (listen_ != kNoTestSocket) CloseTestSocket(listen_);
        listen_ = kNoTestSocket;
    }
    unsigned short Port() const { return port_; }
    const std::string& Received() const { return received_; }

private:
    TestSocket listen_ = kNoTestSocket;
    unsigned short port_ = 0;
    NetTraceSink* previousTrace_ = nullptr;
    std::thread thread_;
    std::string received_;
};
