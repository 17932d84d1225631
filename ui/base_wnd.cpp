#include "ui/base_wnd.h"

#include "ui/user_data.h"

void CBaseWnd::Detach() {
    SetWindowObject(window_, nullptr);
    window_ = nullptr;
}

LRESULT CBaseWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CBaseWnd::SendMsg(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window_) return 0;
    return SendMessageA(window_, message, wParam, lParam);
}
