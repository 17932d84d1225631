// The console engine alone under Windows (or Wine): connect, log in and
// RunFirmwareUpdate with an observer that does nothing, so that the dialog's
// time can be split into the network's share and its own per-line display.
//   bench_engine_win.exe HOST PORT     prints seconds=S (the whole update)
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "console/console_session.h"
#include "console/firmware_transfer.h"
#include "firmware/firmware_image.h"

int main(int argc, char** argv) {
    FirmwareImageView image;
    ConsoleConnection console;
    if (argc < 3 || !LoadFirmwareImage(GetModuleHandleA(nullptr), image)) return 2;
    if (OpenConsole(console, argv[1], static_cast<unsigned short>(std::atoi(argv[2]))) !=
            ConsoleOpenResult::Connected ||
        ConsoleLogin(console) <= 0)
        return 1;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    UpdateObserver observer;
    const UpdateResult result = RunFirmwareUpdate(console, image, observer);
    QueryPerformanceCounter(&end);
    std::printf("seconds=%.3f ok=%d\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
                result.ok ? 1 : 0);
    return result.ok ? 0 : 1;
}
