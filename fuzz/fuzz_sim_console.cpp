// The simulated device's console reading bytes from a client: any bytes, in
// any chunks, under any fault switch, leave the session consistent.
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/console_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    ConsoleFaults faults;
    const uint8_t f = data[0];
    faults.banner = f & 1;
    faults.bannerWithPrompt = f & 2;
    faults.promptCase = static_cast<ConsoleFaults::PromptCase>((f >> 2) % 3);
    faults.splitVersion = f & 16;
    faults.badCheck = f & 32;
    faults.oneComplete = f & 64;
    faults.closeAfterLines = (f & 128) ? data[1] % 8 : -1;
    DeviceState device;
    ConsoleSession session(device, faults);
    session.Connected();
    // The rest in chunks whose sizes follow the bytes themselves.
    std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    bool closed = false;
    while (!rest.empty()) {
        const size_t chunk = 1 + static_cast<unsigned char>(rest[0]) % 64;
        const std::string_view piece = rest.substr(0, chunk);
        rest.remove_prefix(piece.size());
        for (const ConsoleAction& a : session.Feed(piece)) {
            if (closed) std::abort();  // nothing after the connection ended
            if (a.kind == ConsoleAction::Kind::Close) closed = true;
            if (a.kind == ConsoleAction::Kind::Send && a.text.empty()) std::abort();
        }
    }
    session.Closed();
    if (device.badLines > device.linesReceived) std::abort();
    if (session.BufferedLines() > device.linesReceived) std::abort();
    return 0;
}
