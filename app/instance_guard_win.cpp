#include <windows.h>

#include "app/instance_guard.h"

bool IsFirstInstance(void*& mutex, const char* name) {
    mutex = CreateMutexA(nullptr, FALSE, name);
    return GetLastError() != ERROR_ALREADY_EXISTS;
}

void ReleaseInstanceGuard(void* mutex) {
    if (mutex) CloseHandle(mutex);
}
