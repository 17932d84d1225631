#include "ui/update_dialog.h"

#include <commctrl.h>

#include "app/module_instance.h"
#include "firmware/firmware_image.h"
#include "res/resource.h"
#include "ui/dialog_texts.h"

DialogControls ControlHandles;

void CUpdateDialog::OnInitDialog() {
    HICON icon = LoadIconA(ModuleInstance, MAKEINTRESOURCEA(IDI_APP));
    SendMsg(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));

    ControlHandles.dialog = window_;
    ControlHandles.deviceList = GetItem(IDC_DEVICE_LIST);
    ControlHandles.detect = GetItem(IDC_DETECT);
    ControlHandles.update = GetItem(IDC_UPDATE);
    ControlHandles.exit = GetItem(IDCANCEL);
    ControlHandles.progress = GetItem(IDC_PROGRESS);

    const bool hasVersion = ExtractImageVersion(ImageVersionText, FirmwareImage.text, FirmwareImage.size);
    if (!hasVersion) EnableItem(IDC_DEVICE_LIST, FALSE);
    char shown[kImageVersionTextSize + 1] = {};
    memcpy(shown, ImageVersionText, kImageVersionTextSize);
    SetItemText(IDC_LATEST_VERSION, shown);

    CentreOnScreen();
    SetItemText(IDC_STATUS, kTextDetectPrompt);

    ShowItem(IDC_PROGRESS, SW_HIDE);
    SendMessageA(ControlHandles.progress, PBM_SETRANGE32, 0, 100);
    SendMessageA(ControlHandles.progress, PBM_SETPOS, 0, 0);

    EnableItem(IDC_DEVICE_LIST, FALSE);
    EnableItem(IDC_DETECT, TRUE);
    EnableItem(IDC_UPDATE, FALSE);
}

void CUpdateDialog::CentreOnScreen() {
    RECT rect;
    GetWindowRect(window_, &rect);
    const int width = GetSystemMetrics(SM_CXFULLSCREEN);
    const int height = GetSystemMetrics(SM_CYFULLSCREEN);
    SetWindowPos(window_, nullptr, (width + rect.left - rect.right) / 2,
                 (height + rect.top - rect.bottom) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CUpdateDialog::OnCommand(WORD id, WORD /*code*/) {
    if (id == IDCANCEL) Close(2);
}
