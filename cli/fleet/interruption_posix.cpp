#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include "cli/fleet/interruption.h"
#include "console/console_session.h"
#include "net/socket.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t Heard = 0;
volatile sig_atomic_t FirstSignal = 0;
volatile sig_atomic_t Committed = 0;
// The one console this process may stop.
ConsoleConnection* Watched = nullptr;

void OnParentSignal(int signal) {
    if (Heard++ == 0) FirstSignal = signal;
}

// A receive the device is waiting in returns at once; a send fails.
void OnDeviceSignal(int signal) {
    OnParentSignal(signal);
    if (Committed || !Watched) return;
    Watched->stop.store(true);
    NetShutdown(Watched->socket);
}

sigset_t StopSignals() {
    sigset_t stops;
    sigemptyset(&stops);
    for (int s : kSignals) sigaddset(&stops, s);
    return stops;
}

void Handle(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_mask = StopSignals();
    action.sa_flags = 0;  // no restart: a wait in poll or sleep ends and looks again
    for (int s : kSignals) sigaction(s, &action, nullptr);
}

}  // namespace

void WatchParentInterruptions() { Handle(OnParentSignal); }

int ParentInterruptions() { return Heard; }

int InterruptionExitCode() { return FirstSignal == 0 ? 0 : 128 + FirstSignal; }

void WatchDeviceInterruptions(ConsoleConnection& console) {
    Watched = &console;
    const pid_t parent = ::getppid();
    Handle(OnDeviceSignal);
    const sigset_t stops = StopSignals();
    sigprocmask(SIG_UNBLOCK, &stops, nullptr);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) OnDeviceSignal(SIGTERM);  // the parent died before the line above
}

bool DeviceInterrupted() { return Heard != 0; }

bool CommitToFlash() {
    const sigset_t block = StopSignals();
    sigset_t old;
    sigprocmask(SIG_BLOCK, &block, &old);
    if (Heard == 0) Committed = 1;
    sigprocmask(SIG_SETMASK, &old, nullptr);
    return Committed != 0;
}

void EndDeviceWatch() {
    const sigset_t stops = StopSignals();
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    Watched = nullptr;
}

void PrepareStandardStreams() { ::signal(SIGPIPE, SIG_IGN); }
