#include <pthread.h>

#include "net/thread.h"

namespace {
struct ThreadStart {
    NetThread::Entry entry;
    void* context;
};
void* RunThread(void* start) {
    ThreadStart s = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    s.entry(s.context);
    return nullptr;
}
}  // namespace

bool NetThread::Start(Entry entry, void* context) {
    auto* thread = new pthread_t;
    if (pthread_create(thread, nullptr, RunThread, new ThreadStart{entry, context}) != 0) {
        delete thread;
        return false;
    }
    handle_ = thread;
    return true;
}

void NetThread::Join() {
    if (!handle_) return;
    auto* thread = static_cast<pthread_t*>(handle_);
    pthread_join(*thread, nullptr);
    delete thread;
    handle_ = nullptr;
}
