#pragma once

// A scripted device on loopback for the console tests: one connection, a
// handler that reads lines and answers as the test wants.
#include <functional>
#include <string>
#include <thread>

#include "loopback_socket.h"

class FakeConnection {
public:
    explicit FakeConnection(TestSocket fd) : fd_(fd) {}
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
    void Send(const std::string& text) { ::send(fd_, text.data(), static_cast<int>(text.size()), kSendFlags); }
    // Lets the client's receive see this send on its own.
    void SendAlone(const std::string& text) {
        Send(text);
        ::usleep(30000);
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
        thread_ = std::thread([this, handler, listening = listen_] {
            const TestSocket fd = ::accept(listening, nullptr, nullptr);
            if (fd == kNoTestSocket) return;
            FakeConnection c(fd);
            handler(c);
            received_ = c.Received();
            CloseTestSocket(fd);
        });
    }
    ~FakeDevice() { Join(); }
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
    std::thread thread_;
    std::string received_;
};
