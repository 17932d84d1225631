#pragma once

#include <windows.h>

// The object pointer lives in the window's user data. The pointer-sized call
// keeps the whole pointer on 64-bit Windows; on 32-bit it is SetWindowLongA.
inline void SetWindowObject(HWND window, void* object) {
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}

inline void* GetWindowObject(HWND window) { return reinterpret_cast<void*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }
