#pragma once

// A thread for the search's receive loop, joined by the search (and at the
// latest when the object ends). One implementation per platform
// (thread_posix.cpp, thread_win.cpp), chosen by the build.
class NetThread {
public:
    using Entry = void (*)(void* context);
    NetThread() = default;
    NetThread(const NetThread&) = delete;
    NetThread& operator=(const NetThread&) = delete;
    ~NetThread() { Join(); }

    bool Start(Entry entry, void* context);
    void Join();

private:
    void* handle_ = nullptr;
};
