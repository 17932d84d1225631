#pragma once

#include <windows.h>

// The executable's instance handle; templates, the icon and the image come from it.
extern HINSTANCE ModuleInstance;
