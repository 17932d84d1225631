#include "console/firmware_transfer.h"

#include <cstring>
#include <string>

#include "console/console_limits.h"
#include "console/console_match.h"
#include "console/console_session.h"
#include "console/wait_deadline.h"
#include "firmware/firmware_image.h"
#include "firmware/srecord.h"

namespace {

struct TransferState {
    ConsoleConnection& console;
    const FirmwareImageView& image;
    UpdateObserver& observer;
    UpdateResult result;
    int percentShown = 0;
    char buffer[kConsoleReceiveSize + 1] = {};
    std::string completeTail{};  // PerAnswer: the end of the text after "flash" not yet matched
};

// One receive into the cleared buffer; false records why the update stops.
bool Receive(TransferState& s, int timeoutMs, UpdateFailure onTimeout) {
    std::memset(s.buffer, 0, sizeof s.buffer);
    const int got = NetReceive(s.console.socket, s.buffer, kConsoleReceiveSize, timeoutMs);
    if (got > 0) return true;
    s.result.failure = got == kReceiveTimedOut ? onTimeout : UpdateFailure::ConnectionEnded;
    return false;
}

bool Stopped(TransferState& s) {
    if (!s.console.stop.load() && !s.observer.StopRequested()) return false;
    s.result.failure = UpdateFailure::Stopped;
    return true;
}

bool SendImage(TransferState& s) {
    const char* cursor = s.image.text;
    const unsigned size = s.image.size;
    for (;;) {
        if (Stopped(s)) return false;
        s.percentShown = TransferPercent(s.result.sentBytes, size);
        s.observer.OnLine(s.percentShown, s.result.sentBytes, size);
        // The line through its "\n"; an unterminated rest is a line too.
        const int length = static_cast<int>(ImageLineLength(cursor, s.image.text + size));
        const int sent = NetSend(s.console.socket, cursor, length);
        if (sent <= 0) {
            s.result.failure = UpdateFailure::SendFailed;
            return false;
        }
        ++s.result.lineSends;
        cursor += sent;
        s.result.sentBytes += static_cast<unsigned>(sent);
        if (s.result.sentBytes >= size) return true;
        if (!Receive(s, s.console.waits.lineMs, UpdateFailure::TimedOut)) return false;
        ++s.result.lineReceives;
    }
}

// The first search looks at what the transfer's last receive left.
bool AwaitChecksum(TransferState& s) {
    const WaitDeadline deadline(s.console.waits.checksumMs);
    while (!HasMarker(s.buffer, "sum  :")) {
        if (!Receive(s, deadline.LeftMs(), UpdateFailure::NoChecksum)) {
            if (s.result.failure == UpdateFailure::ConnectionEnded) s.result.failure = UpdateFailure::NoChecksum;
            return false;
        }
    }
    return true;
}

// The answers the last receive completed: PerReceive, one when "complete"
// stands in it; PerAnswer, every "complete", one split across two receives too.
int CompletionsReceived(TransferState& s) {
    constexpr char kMarker[] = "complete";
    constexpr size_t kLength = sizeof kMarker - 1;
    if (s.console.completeCounting == CompleteCounting::PerReceive) return HasMarker(s.buffer, kMarker) ? 1 : 0;
    s.completeTail += s.buffer;
    int found = 0;
    for (size_t at; (at = s.completeTail.find(kMarker)) != std::string::npos; ++found)
        s.completeTail.erase(0, at + kLength);
    if (s.completeTail.size() >= kLength) s.completeTail.erase(0, s.completeTail.size() - kLength + 1);
    return found;
}

bool AwaitFlashComplete(TransferState& s) {
    int completions = 0;
    while (completions < 2) {
        const WaitDeadline deadline(s.console.waits.completeMs);
        int found = 0;
        do {
            if (!Receive(s, deadline.LeftMs(), UpdateFailure::FlashIncomplete)) {
                s.result.failure = UpdateFailure::FlashIncomplete;
                return false;
            }
        } while ((found = CompletionsReceived(s)) == 0);
        for (; found > 0 && completions < 2; --found) s.observer.OnFlashComplete(++completions);
    }
    return true;
}

bool Send(TransferState& s, const char* command) {
    if (SendCommand(s.console, command) > 0) return true;
    s.result.failure = UpdateFailure::SendFailed;
    return false;
}

bool RunSteps(TransferState& s) {
    if (!Send(s, "initbuf\r\n")) return false;
    s.observer.OnPhase(UpdatePhase::Transfer, 0);
    if (!SendImage(s)) return false;
    s.observer.OnPhase(UpdatePhase::Check, s.percentShown);
    if (Stopped(s) || !Send(s, "check\r\n") || !AwaitChecksum(s)) return false;
    s.observer.OnPhase(UpdatePhase::Flash, kPercentChecked);
    if (Stopped(s) || !Send(s, "flash\r\n") || !AwaitFlashComplete(s)) return false;
    s.observer.OnPhase(UpdatePhase::Reset, kPercentFlashComplete);
    // A "reset" that cannot be sent leaves a flashed device that never
    // restarted: not a finished update. The device drops the connection
    // while it restarts, so what happens to "echo 1" and "bye" says nothing.
    if (!Send(s, "reset\r\n")) {
        s.result.failure = UpdateFailure::ResetNotSent;
        return false;
    }
    NetSleep(1000);
    SendCommand(s.console, "echo 1\r\n");
    SendCommand(s.console, "bye\r\n");
    return true;
}

}  // namespace

int TransferPercent(unsigned sent, unsigned size) {
    if (size == 0) return 0;
    const int p = static_cast<int>(100ull * sent / size);
    return p > 0 ? p - 1 : p;
}

UpdateResult RunFirmwareUpdate(ConsoleConnection& console, const FirmwareImageView& image, UpdateObserver& observer) {
    TransferState s{console, image, observer, {}};
    s.result.ok = image.text != nullptr && image.size != 0 && RunSteps(s);
    if (s.result.ok) {
        s.result.failure = UpdateFailure::None;
    } else {
        // The device may be mid-flash: nothing more goes to it on this connection.
        CloseConsole(console);
    }
    observer.OnFinished(s.result.ok);
    return s.result;
}
