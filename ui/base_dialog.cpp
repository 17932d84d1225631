#include "ui/base_dialog.h"

#include "startup/module_instance.h"
#include "ui/user_data.h"

LRESULT GetControlPos(HWND control) { return SendMessageA(control, WM_USER, 0, 0); }

HWND CBaseDialog::Create(HWND parent, LPARAM param) {
    if (window_) return window_;
    modal_ = false;
    param_ = param;
    return CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(templateId_), parent, StaticDialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CBaseDialog::DoModal(HWND parent, LPARAM param) {
    param_ = param;
    modal_ = true;
    return DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(templateId_), parent, StaticDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CBaseDialog::Close(INT_PTR result) {
    if (window_) {
        if (modal_)
            EndDialog(window_, result);
        else
            DestroyWindow(window_);
    }
    window_ = nullptr;
}

LRESULT CBaseDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        parent_ = GetParent(window_);
        OnInitDialog();
        return TRUE;
    case WM_COMMAND: {
        const WORD id = LOWORD(wParam);
        if (id == IDOK) OnOK();
        OnCommand(id, HIWORD(wParam));
        if (id == IDCANCEL) Close(0);
        return TRUE;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
        HWND control = reinterpret_cast<HWND>(lParam);
        const int position = static_cast<int>(GetControlPos(control));
        if (message == WM_HSCROLL)
            OnHScroll(control, LOWORD(wParam), position);
        else
            OnVScroll(control, LOWORD(wParam), position);
        return TRUE;
    }
    case WM_NOTIFY: OnNotify(wParam, lParam); return TRUE;
    case WM_DRAWITEM: OnDrawItem(wParam, lParam); return TRUE;
    case WM_DESTROY: OnDestroy(); return FALSE;
    case WM_SHOWWINDOW:
        if (wParam == 1) OnShow();
        return FALSE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK CBaseDialog::StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = static_cast<CBaseDialog*>(GetWindowObject(window));
    if (!object) {
        if (message != WM_INITDIALOG) return FALSE;
        object = reinterpret_cast<CBaseDialog*>(lParam);
        SetWindowObject(window, object);
        object->window_ = window;
        return object->WindowProc(message, wParam, lParam);
    }
    if (message == WM_COMMAND) {
        // A command is handled with the handle of the window that received it.
        HWND remembered = object->window_;
        object->window_ = window;
        LRESULT result = object->WindowProc(message, wParam, lParam);
        if (object->window_) object->window_ = remembered;
        return result;
    }
    LRESULT result = object->WindowProc(message, wParam, lParam);
    if (message == WM_DESTROY) {
        SetWindowObject(window, nullptr);
        object->window_ = nullptr;
    }
    return result;
}
