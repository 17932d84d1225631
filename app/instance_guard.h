#pragma once

// Creates the named mutex without owning it and stores its handle in mutex.
// False only when the mutex already existed: another instance is running.
// A failed creation counts as the first instance.
bool IsFirstInstance(void*& mutex, const char* name);
void ReleaseInstanceGuard(void* mutex);
