#include "ui/update_thread.h"

#include <windows.h>
#include <commctrl.h>

#include "console/firmware_transfer.h"
#include "res/resource.h"
#include "ui/dialog_texts.h"
#include "ui/update_dialog.h"

namespace {

class DialogProgress : public UpdateObserver {
public:
    void OnProgress(int percent, const char* statusText) override {
        SetDlgItemTextA(ControlHandles.dialog, IDC_STATUS, statusText);
        SendMessageA(ControlHandles.progress, PBM_SETPOS, percent, 0);
    }
    void OnFinished(bool) override {}
};

void SetControlsForTransfer(bool running) {
    EnableWindow(ControlHandles.deviceList, !running);
    EnableWindow(ControlHandles.detect, !running);
    EnableWindow(ControlHandles.update, FALSE);
    EnableWindow(ControlHandles.exit, !running);
    EnableWindow(GetDlgItem(ControlHandles.dialog, IDC_ERASE), !running);
    ShowWindow(ControlHandles.progress, running ? SW_SHOWNORMAL : SW_HIDE);
}

DWORD WINAPI UpdateThread(LPVOID) {
    SetControlsForTransfer(true);
    DialogProgress progress;
    const UpdateResult result = RunFirmwareUpdate(progress);
    if (result.ok) {
        char version[16] = {};
        GetDlgItemTextA(ControlHandles.dialog, IDC_LATEST_VERSION, version, sizeof version);
        SetDlgItemTextA(ControlHandles.dialog, IDC_CURRENT_VERSION, version);
        SetDlgItemTextA(ControlHandles.dialog, IDC_STATUS, kTextUpdateDone);
    } else {
        // The device's state is unknown: the operator selects it again.
        SetDlgItemTextA(ControlHandles.dialog, IDC_CURRENT_VERSION, "");
        SetDlgItemTextA(ControlHandles.dialog, IDC_STATUS, kTextUpdateFailed);
    }
    SetControlsForTransfer(false);
    return 0;
}

}  // namespace

void StartUpdate() {
    if (MessageBoxA(nullptr, kTextUpdateQuestion, kTextTitle, MB_ICONWARNING | MB_YESNO) != IDYES) return;
    HANDLE thread = CreateThread(nullptr, 0, UpdateThread, nullptr, 0, nullptr);
    if (thread) CloseHandle(thread);
}
