#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "cli/output/visible_text.h"
#include "cli/platform/append_file.h"
#include "net/trace.h"

// --trace FILE: one line for every send and receive, the search's datagrams
// included: time, device, direction and the bytes, with CR, LF, zero and the
// other control bytes written visibly. Lines gather in memory and reach the
// file in batches (TraceBatch), each batch one append under the file's lock,
// so the processes of several devices share it without splitting a line. A
// thread writes a batch when its first line is 100 ms old; the last one is
// written when the object ends (the process's normal end, which an
// interruption also takes). A process killed outright (SIGKILL, a crash)
// loses at most its last 100 ms of lines.
// When gathered trace lines go to the file: once the first of them is kMaxAge
// old, or once kMaxBytes have gathered.
class TraceBatch {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kMaxAge{100};
    static constexpr size_t kMaxBytes = 64 * 1024;

    // Adds a line that came at now; true when the batch is due at once (full).
    bool Add(const std::string& line, Clock::time_point now);
    bool Due(Clock::time_point now) const;
    // When the batch is due by age; meaningful only when it is not empty.
    Clock::time_point Deadline() const { return first_ + kMaxAge; }
    bool Empty() const { return text_.empty(); }
    // The gathered lines, in order; the batch is empty afterwards.
    std::string Take();

private:
    std::string text_;
    Clock::time_point first_{};
};

class TraceFile : public NetTraceSink {
public:
    TraceFile() = default;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;
    ~TraceFile() override;

    // Opens path for appending and starts the writing thread. False with a reason.
    bool Open(const std::string& path, std::string& error);
    // Writes what has gathered now.
    void Flush();
    // The inventory's name of the device this process works on, after the
    // address of each connection it makes: "10.0.0.5:23[East]".
    void NameConnections(const std::string& name) { name_ = VisibleText(name); }

    void OnConnected(NetSocket socket, uint32_t address, uint16_t port) override;
    void OnStream(NetSocket socket, bool sent, const char* data, int length) override;
    void OnDatagram(bool sent, uint32_t address, uint16_t port, const char* data, int length) override;

private:
    // One line into the batch, mutex_ held; true when the writing thread is to wake.
    bool AddLine(const std::string& device, bool sent, const char* data, int length);
    void WriteBatches();

    AppendFile file_;
    std::map<NetSocket, std::string> devices_;
    std::string name_;
    std::mutex writing_;  // one batch at a time reaches the file, in order
    // Guards devices_, batch_, the line and stopping_: several threads of a
    // process may trace at once (a rollout reads devices side by side).
    std::mutex mutex_;
    std::condition_variable wake_;
    TraceBatch batch_;
    std::string line_;        // the line being made (under mutex_)
    long long second_ = -1;   // the second secondText_ names
    std::string secondText_;  // "2026-12-07T19:12:16."
    bool stopping_ = false;
    std::thread writer_;
};

// "2026-12-07T19:12:16.123456Z  10.0.0.5:23  >  initbuf\r\n" ("<" for what arrived),
// the bytes as VisibleBytes writes them.
std::string TraceLine(const std::string& time, const std::string& device, bool sent, const char* data, int length);
