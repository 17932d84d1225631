#include <windows.h>

#include "net/thread.h"

namespace {
struct ThreadStart {
    NetThread::Entry entry;
    void* context;
};
DWORD WINAPI RunThread(void* start) {
    ThreadStart s = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    s.entry(s.context);
    return 0;
}
}  // namespace

bool NetThread::Start(Entry entry, void* context) {
    handle_ = CreateThread(nullptr, 0, RunThread, new ThreadStart{entry, context}, 0, nullptr);
    return handle_ != nullptr;
}

void NetThread::Join() {
    if (!handle_) return;
    WaitForSingleObject(static_cast<HANDLE>(handle_), INFINITE);
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}
