#include "ui/update_thread.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "console/firmware_transfer.h"
#include "res/resource.h"
#include "startup/program_state.h"
#include "ui/dialog_texts.h"
#include "ui/update_dialog.h"

namespace {

void ShowProgress(const char* statusText, int percent) {
    SetDlgItemTextA(ControlHandles.dialog, IDC_STATUS, statusText);
    SendMessageA(ControlHandles.progress, PBM_SETPOS, percent, 0);
}

class DialogProgress : public UpdateObserver {
public:
    void OnPhase(UpdatePhase phase, int) override {
        if (phase == UpdatePhase::Flash) ShowProgress(kTextChecked, kPercentChecked);
    }
    void OnLine(int percent, unsigned, unsigned) override {
        char text[1024];
        std::snprintf(text, sizeof text, kTextUpdatingFormat, percent);
        ShowProgress(text, percent);
    }
    void OnFlashComplete(int) override { ShowProgress(kTextFlashComplete, kPercentFlashComplete); }
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
    const UpdateResult result = RunFirmwareUpdate(ConsoleSocket, FirmwareImage, progress);
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
