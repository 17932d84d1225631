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
#include "startup/program_state.h"
#include "ui/update_dialog.h"

HINSTANCE ModuleInstance = nullptr;
FirmwareImageView FirmwareImage;
ConsoleConnection ConsoleSocket;
DeviceTableState DeviceTable;

namespace {

// The common control classes registered at start (0x504): the toolbar and
// status bar, the date and time pickers, the rebar.
constexpr DWORD kCommonControlClasses = ICC_BAR_CLASSES | ICC_DATE_CLASSES | ICC_COOL_CLASSES;
static_assert(kCommonControlClasses == 0x504, "the classes start-up has always registered");

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
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
    InitCommonControlsEx(&controls);
    ReadCommandLine(commandLine);

    if (LoadFirmwareImage(ModuleInstance, FirmwareImage) && WriteMacAddress()) RunUpdater();

    WSACleanup();
    CoUninitialize();
    ReleaseInstanceGuard(InstanceMutex);
    return 0;
}
