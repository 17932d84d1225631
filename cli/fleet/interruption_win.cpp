#include <windows.h>

#include "cli/fleet/interruption.h"
#include "console/console_session.h"
#include "net/socket.h"

namespace {

volatile LONG Heard = 0;
volatile LONG FirstExitCode = 0;
// A device's state: 0 running, 1 committed to "flash", 2 stopped before it.
volatile LONG DeviceState = 0;
// The one console this process may stop, and the lock that keeps it alive
// while a handler thread stops it.
ConsoleConnection* Watched = nullptr;
SRWLOCK WatchedLock = SRWLOCK_INIT;

void Count(DWORD event) {
    if (InterlockedIncrement(&Heard) == 1) InterlockedExchange(&FirstExitCode, event == CTRL_CLOSE_EVENT ? 129 : 130);
}

bool IsStopEvent(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT;
}

BOOL WINAPI OnParentEvent(DWORD event) {
    if (!IsStopEvent(event)) return FALSE;
    Count(event);
    // The console is closing and Windows ends this process as soon as the
    // handler returns. Its end closes every child's standard input: a child
    // before "flash" stops, one after finishes and records itself.
    return TRUE;
}

// A receive the device is waiting in returns at once; a send fails.
void StopDevice() {
    AcquireSRWLockExclusive(&WatchedLock);
    if (InterlockedCompareExchange(&DeviceState, 2, 0) != 1 && Watched) {
        Watched->stop.store(true);
        NetShutdown(Watched->socket);
    }
    ReleaseSRWLockExclusive(&WatchedLock);
}

BOOL WINAPI OnDeviceEvent(DWORD event) {
    if (!IsStopEvent(event)) return FALSE;
    Count(event);
    StopDevice();
    return TRUE;
}

// The standard input is a pipe that only the parent writes to: it ends when
// the parent asks this process to stop or when the parent dies.
DWORD WINAPI WatchParent(void*) {
    char byte;
    DWORD got = 0;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    while (ReadFile(input, &byte, 1, &got, nullptr) && got > 0) {
    }
    Count(CTRL_C_EVENT);
    StopDevice();
    return 0;
}

}  // namespace

void WatchParentInterruptions() { SetConsoleCtrlHandler(OnParentEvent, TRUE); }

int ParentInterruptions() { return static_cast<int>(Heard); }

int InterruptionExitCode() { return static_cast<int>(FirstExitCode); }

void WatchDeviceInterruptions(ConsoleConnection& console) {
    Watched = &console;
    SetConsoleCtrlHandler(OnDeviceEvent, TRUE);
    const HANDLE watcher = CreateThread(nullptr, 0, WatchParent, nullptr, 0, nullptr);
    if (watcher) CloseHandle(watcher);
}

bool DeviceInterrupted() { return Heard != 0; }

bool CommitToFlash() {
    InterlockedCompareExchange(&DeviceState, 1, 0);
    return DeviceState == 1;
}

void EndDeviceWatch() {
    AcquireSRWLockExclusive(&WatchedLock);
    Watched = nullptr;
    ReleaseSRWLockExclusive(&WatchedLock);
}

// Text reaches a console through WriteConsoleW (output/terminal_win.cpp);
// the UTF-8 code page is for whatever else writes to it.
void PrepareStandardStreams() { SetConsoleOutputCP(CP_UTF8); }
