#pragma once

#include <windows.h>

#include "firmware/image_version.h"
#include "ui/base_dialog.h"

// Handles of the controls that the search and the update thread reach.
struct DialogControls {
    HWND dialog = nullptr;
    HWND deviceList = nullptr;
    HWND detect = nullptr;
    HWND update = nullptr;
    HWND exit = nullptr;
    HWND progress = nullptr;
};
extern DialogControls ControlHandles;

class CUpdateDialog : public CBaseDialog {
public:
    explicit CUpdateDialog(WORD templateId) : CBaseDialog(templateId) {}

    void OnInitDialog() override;
    void OnCommand(WORD id, WORD code) override;

private:
    void CentreOnScreen();
    void Detect();
    bool SearchDevices();
    void OnDeviceSelected();
    void ShowConnectFailed();
    void EraseRom();

    char ImageVersionText[kImageVersionTextSize] = {};
};
