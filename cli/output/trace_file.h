#pragma once

#include <map>
#include <string>

#include "cli/platform/append_file.h"
#include "net/trace.h"

// --trace FILE: one line for every send and receive, the search's datagrams
// included: time, device, direction and the bytes, with CR, LF, zero and the
// other control bytes written visibly. Each line is one append to the file,
// so the processes of several devices share it without splitting a line.
class TraceFile : public NetTraceSink {
public:
    TraceFile() = default;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;
    ~TraceFile() override;

    // Opens path for appending. False with a reason.
    bool Open(const std::string& path, std::string& error);

    void OnConnected(NetSocket socket, uint32_t address, uint16_t port) override;
    void OnStream(NetSocket socket, bool sent, const char* data, int length) override;
    void OnDatagram(bool sent, uint32_t address, uint16_t port, const char* data, int length) override;

private:
    void Write(const std::string& device, bool sent, const char* data, int length);

    AppendFile file_;
    std::map<NetSocket, std::string> devices_;
};

// The bytes as one line of text: printable ASCII as it is, "\r", "\n", "\0",
// "\\" and "\t" escaped, every other byte as "\xNN".
std::string VisibleBytes(const char* data, int length);

// "2026-12-07T19:12:16.123456Z  10.0.0.5:23  >  initbuf\r\n" ("<" for what arrived).
std::string TraceLine(const std::string& time, const std::string& device, bool sent, const char* data, int length);
