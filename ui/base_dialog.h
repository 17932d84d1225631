#pragma once

#include <windows.h>

#include "ui/base_wnd.h"

// A dialog from a resource template whose messages become virtual calls.
class CBaseDialog : public CBaseWnd {
public:
    explicit CBaseDialog(WORD templateId) : templateId_(templateId) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    virtual HWND Create(HWND parent, LPARAM param);
    virtual INT_PTR DoModal(HWND parent, LPARAM param);
    virtual void Close(INT_PTR result);
    virtual void OnInitDialog() {}
    virtual void OnDestroy() {}
    virtual void OnShow() {}
    virtual void OnOK() {}
    virtual void OnCommand(WORD /*id*/, WORD /*code*/) {}
    virtual void OnHScroll(HWND /*control*/, WORD /*code*/, int /*position*/) {}
    virtual void OnVScroll(HWND /*control*/, WORD /*code*/, int /*position*/) {}
    virtual void OnNotify(WPARAM /*wParam*/, LPARAM /*lParam*/) {}
    virtual void OnDrawItem(WPARAM /*wParam*/, LPARAM /*lParam*/) {}

    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    HWND parent_ = nullptr;
    LPARAM param_ = 0;
    bool modal_ = false;
    WORD templateId_;
};

// Asks a control for its position (a trackbar's TBM_GETPOS).
LRESULT GetControlPos(HWND control);
