#include "ui/update_dialog.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "console/console_session.h"
#include "console/device_access.h"
#include "console/maintenance.h"
#include "console/version_verdict.h"
#include "discovery/device_table.h"
#include "discovery/search_devices.h"
#include "firmware/firmware_image.h"
#include "res/resource.h"
#include "startup/command_line.h"
#include "startup/module_instance.h"
#include "startup/program_state.h"
#include "ui/dialog_texts.h"
#include "ui/update_thread.h"

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
    if (!hasVersion) {
        memcpy(ImageVersionText, kTextInvalidImage, sizeof kTextInvalidImage);
        EnableItem(IDC_DEVICE_LIST, FALSE);
    }
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
    if (MaintenanceMode) ShowItem(IDC_ERASE, SW_SHOW);
}

void CUpdateDialog::CentreOnScreen() {
    RECT rect;
    GetWindowRect(window_, &rect);
    const int width = GetSystemMetrics(SM_CXFULLSCREEN);
    const int height = GetSystemMetrics(SM_CYFULLSCREEN);
    SetWindowPos(window_, nullptr, (width + rect.left - rect.right) / 2, (height + rect.top - rect.bottom) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}

void CUpdateDialog::OnCommand(WORD id, WORD code) {
    switch (id) {
    case IDC_DETECT: Detect(); break;
    case IDC_DEVICE_LIST:
        if (code == CBN_SELCHANGE) OnDeviceSelected();
        break;
    case IDC_UPDATE: StartUpdate(); break;
    case IDC_ERASE: EraseRom(); break;
    case IDCANCEL: Close(2); break;
    default: break;
    }
}

bool CUpdateDialog::SearchDevices() {
    std::vector<std::string> entries;
    if (!::SearchDevices(DeviceTable, entries)) return false;
    SendMessageA(ControlHandles.deviceList, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : entries)
        SendMessageA(ControlHandles.deviceList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    return true;
}

void CUpdateDialog::Detect() {
    SetItemText(IDC_STATUS, kTextSearching);
    if (!SearchDevices()) {
        SetItemText(IDC_STATUS, kTextSearchError);
        return;
    }
    if (SendMessageA(ControlHandles.deviceList, CB_GETCOUNT, 0, 0) == 0) {
        SetItemText(IDC_STATUS, kTextNoDevice);
        EnableItem(IDC_DEVICE_LIST, FALSE);
        return;
    }
    SendMessageA(ControlHandles.deviceList, CB_SETCURSEL, 0, 0);
    EnableItem(IDC_DEVICE_LIST, TRUE);
    EnableItem(IDC_UPDATE, FALSE);
    SetItemText(IDC_CURRENT_VERSION, "");
    OnCommand(IDC_DEVICE_LIST, CBN_SELCHANGE);
}

void CUpdateDialog::ShowConnectFailed() {
    SetItemText(IDC_STATUS, kTextConnectFailed);
    SetItemText(IDC_CURRENT_VERSION, "");
    EnableItem(IDC_UPDATE, FALSE);
}

void CUpdateDialog::OnDeviceSelected() {
    CloseConsole(ConsoleSocket);
    char entry[256] = {};
    GetItemText(IDC_DEVICE_LIST, entry, sizeof entry);
    char host[256];
    if (!HostFromEntry(entry, host)) return;
    DeviceReachRequest request;  // the plain connect, no MAC check, the version read
    request.host = host;
    ReachedDevice device;
    switch (ReachDevice(ConsoleSocket, request, device)) {
    case DeviceReach::Reached: break;
    case DeviceReach::HostNotResolved:
    case DeviceReach::NoSocket: return;
    default:
        // A device that ends the login or never tells its version counts as unreachable.
        ShowConnectFailed();
        return;
    }
    char imageVersion[kImageVersionTextSize + 1] = {};
    memcpy(imageVersion, ImageVersionText, kImageVersionTextSize);
    SetItemText(IDC_CURRENT_VERSION, device.version.c_str());
    SetItemText(IDC_STATUS, VerdictText(JudgeDeviceVersion(device.version.c_str(), imageVersion)));
    EnableItem(IDC_UPDATE, TRUE);
}

void CUpdateDialog::EraseRom() {
    if (MessageBoxA(nullptr, kTextEraseQuestion, kTextTitle, MB_ICONWARNING | MB_YESNO) != IDYES) return;
    SendEraseCommands(ConsoleSocket);
    // The erase ends the console with "bye": a new selection is needed first.
    EnableItem(IDC_UPDATE, FALSE);
}
