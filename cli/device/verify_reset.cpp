#include "cli/device/verify_reset.h"

#include <algorithm>
#include <chrono>

#include "console/console_session.h"
#include "net/socket.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRestartPauseMs = 1000;  // the device is restarting: do not knock at once
constexpr int kRetryPauseMs = 500;

int MsLeft(Clock::time_point until) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count());
}

}  // namespace

VerifyResult AwaitDeviceVersion(ConsoleConnection& console, const DeviceTarget& target, const std::string& ip,
                                int timeoutMs, bool (*stopped)()) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int loginMs = console.waits.loginMs;
    VerifyResult r;
    NetSleep(std::min(kRestartPauseMs, std::max(0, MsLeft(until))));
    for (int left = MsLeft(until); left > 0 && !(stopped && stopped()); left = MsLeft(until)) {
        // A device still booting must not hold us past the bound. The tries
        // stay on the caller's console, so that an interruption reaches them.
        console.waits.loginMs = std::min(loginMs, left);
        DeviceVisit visit;
        visit.ip = ip;
        const bool ok = OpenReservedDevice(console, target, visit);
        CloseConsole(console);
        if (ok) {
            r.answered = true;
            r.version = visit.version;
            break;
        }
        r.error = visit.error;
        NetSleep(std::min(kRetryPauseMs, std::max(0, MsLeft(until))));
    }
    console.waits.loginMs = loginMs;
    if (!r.answered)
        r.error = "the device did not come back within " + std::to_string(timeoutMs / 1000) + " s" +
                  (r.error.empty() ? "" : " (last try: " + r.error + ")");
    return r;
}
