#pragma once

// Receives the progress and the end of one update; the dialog moves its
// status line and bar, the command-line tool draws its own display.
class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;
    // percent as shown (0..99) and the status text that goes with it.
    virtual void OnProgress(int percent, const char* statusText) = 0;
    // Called before every image line with the bytes sent so far.
    virtual void OnLine(unsigned sentBytes, unsigned totalBytes) { (void)sentBytes; (void)totalBytes; }
    virtual void OnFinished(bool ok) = 0;
};

// Why an update stopped, for the command-line tool's messages.
// ResetNotSent: the device was flashed but "reset" could not be sent.
enum class UpdateFailure { None, SendFailed, ConnectionEnded, TimedOut, NoChecksum, FlashIncomplete, ResetNotSent };

struct UpdateResult {
    bool ok = false;
    UpdateFailure failure = UpdateFailure::None;
    unsigned lineSends = 0;
    unsigned lineReceives = 0;
    unsigned sentBytes = 0;
};

// Sends "initbuf", every line of FirmwareImage straight from the image, then
// "check", "flash", "reset", "echo 1" and "bye" on ConsoleSocket. A failed
// send, an ended connection, a wait that runs out, no "sum  :" or fewer than
// two "complete" stop the update: nothing more is sent, the connection is
// closed and the observer hears OnFinished(false).
UpdateResult RunFirmwareUpdate(UpdateObserver& observer);

// The status text of the transfer for a progress value.
void FormatProgressText(char (&text)[1024], int percent);
