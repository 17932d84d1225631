#pragma once

#include "console/console_session.h"
#include "firmware/firmware_image.h"

// The steps of an update in the order they run.
enum class UpdatePhase { Transfer, Check, Flash, Reset };

// The progress value at the end of the transfer, once "sum  :" has arrived,
// and on each "complete"; 100 is never shown.
constexpr int kPercentChecked = 98;
constexpr int kPercentFlashComplete = 99;

// Hears the steps and the progress of one update; the dialog moves its status
// line and bar, the command-line tool reports events to its parent. The base
// hears nothing.
class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;
    // A step begins: Transfer after "initbuf", Check once the last line is
    // sent, Flash once "sum  :" has arrived (kPercentChecked), Reset after the
    // second "complete".
    virtual void OnPhase(UpdatePhase phase, int percent) { (void)phase, (void)percent; }
    // Before every image line: the percent to show (0..98) and the bytes sent so far.
    virtual void OnLine(int percent, unsigned sentBytes, unsigned totalBytes) {
        (void)percent, (void)sentBytes, (void)totalBytes;
    }
    // Each receive that holds "complete" (kPercentFlashComplete), counted from 1.
    virtual void OnFlashComplete(int completions) { (void)completions; }
    virtual void OnFinished(bool ok) { (void)ok; }
    // Asked before each image line, before "check" and before "flash": true
    // stops the update there, before anything is written to the flash.
    virtual bool StopRequested() { return false; }
};

// Why an update stopped, for the command-line tool's messages.
// ResetNotSent: the device was flashed but "reset" could not be sent.
// Stopped: the observer asked to stop before "flash" was sent.
enum class UpdateFailure {
    None,
    SendFailed,
    ConnectionEnded,
    TimedOut,
    NoChecksum,
    FlashIncomplete,
    ResetNotSent,
    Stopped
};

struct UpdateResult {
    bool ok = false;
    UpdateFailure failure = UpdateFailure::None;
    unsigned lineSends = 0;
    unsigned lineReceives = 0;
    unsigned sentBytes = 0;
};

// Sends "initbuf", every line of the image straight from its bytes (with a
// cursor of its own), then "check", "flash", "reset", "echo 1" and "bye" on
// the logged-in console. A failed send, an ended connection, a wait that runs
// out, no "sum  :" or fewer than two "complete", or a stop (the connection's
// flag or the observer) before "flash", stop the update: nothing more is
// sent, the connection is closed and the observer hears OnFinished(false).
// The wait for "sum  :" and the wait for each "complete" are bounded as a
// whole, however much other text arrives.
UpdateResult RunFirmwareUpdate(ConsoleConnection& console, const FirmwareImageView& image, UpdateObserver& observer);

// The percent shown before a line with sent of size bytes already sent: a
// computed 1 is shown as 0, and 100 is never shown during the transfer.
int TransferPercent(unsigned sent, unsigned size);
