#pragma once

#include <windows.h>

// A window object: holds the handle of the window it currently stands for.
class CBaseWnd {
public:
    virtual ~CBaseWnd() = default;
    virtual void Attach(HWND window) { window_ = window; }
    virtual void Detach();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT SendMsg(UINT message, WPARAM wParam, LPARAM lParam);
    HWND GetItem(int id) { return GetDlgItem(window_, id); }
    BOOL ShowItem(int id, int show) { return ShowWindow(GetItem(id), show); }
    BOOL EnableItem(int id, BOOL enable) { return EnableWindow(GetItem(id), enable); }
    BOOL SetItemText(int id, const char* text) { return SetDlgItemTextA(window_, id, text); }
    UINT GetItemText(int id, char* buffer, int size) { return GetDlgItemTextA(window_, id, buffer, size); }

    HWND Window() const { return window_; }

protected:
    HWND window_ = nullptr;
};
