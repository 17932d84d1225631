#include "app/mac_write_mode.h"

#include "app/command_line.h"

// The console exchange of the MAC-write mode comes with the console engine;
// until then the mode ends the program without a window.
bool WriteMacAddress() { return !MacWriteMode; }
