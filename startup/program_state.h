#pragma once

#include "console/console_session.h"
#include "discovery/device_table.h"
#include "firmware/firmware_image.h"

// The updater program's own objects, kept for its whole life and shared by
// start-up, the MAC-write mode and the dialog; the core only works on what it
// is given. Defined beside ModuleInstance (app/winmain.cpp).

// The carried image, located by LoadFirmwareImage.
extern FirmwareImageView FirmwareImage;
// The one console of the selected device (and of the MAC-write mode).
extern ConsoleConnection ConsoleSocket;
// What the last search found.
extern DeviceTableState DeviceTable;
