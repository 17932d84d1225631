// Process start and end: the single-instance guard, the run mode chosen by the
// command line, the modal dialog, and the release of what start-up acquired.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include "app/instance_guard.h"
#include "app/mac_write_mode.h"
#include "firmware/firmware_image.h"
#include "res/resource.h"
#include "startup/command_line.h"
#include "startup/module_instance.h"
#include "ui/update_dialog.h"

HINSTANCE ModuleInstance = nullptr;

namespace {

void* InstanceMutex = nullptr;

// Dispatches what is still queued without waiting for anything new.
void DrainMessageQueue(HWND dialog) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (GetMessageA(&message, nullptr, 0, 0) && !IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void RunUpdater() {
    CUpdateDialog dialog(IDD_UPDATER);
    dialog.DoModal(nullptr, 0);
    DrainMessageQueue(dialog.Window());
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    ModuleInstance = instance;
    if (!IsFirstInstance(InstanceMutex, "HALCYON_FIRMWARE_UPDATE")) return 0;

    InitCommonControls();
    CoInitialize(nullptr);
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {8, 0x504};
    InitCommonControlsEx(&controls);
    ReadCommandLine(commandLine);

    if (LoadFirmwareImage(ModuleInstance) && WriteMacAddress()) RunUpdater();

    WSACleanup();
    CoUninitialize();
    ReleaseInstanceGuard(InstanceMutex);
    return 0;
}
