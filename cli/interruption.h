#pragma once

// An update stopped from outside: Ctrl-C, SIGTERM, a closed terminal, or the
// death of the parent process. A device before "flash" stops at once (nothing
// has been written to its flash); a device that has been sent "flash"
// finishes its flash and reset. One implementation per platform.

// The parent: counts the signals that arrive from now on.
void WatchParentInterruptions();
// How many interruptions the parent has heard, and the first one's exit code
// (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP; 0 when none).
int ParentInterruptions();
int InterruptionExitCode();

// One device's process: an interruption (its own signal, the parent's
// forwarded one, or the parent's death) stops the device unless it has been
// committed to "flash". Also counts as interrupted when the parent was
// interrupted before this process took over.
void WatchDeviceInterruptions();
bool DeviceInterrupted();
// Commits the device to "flash" unless an interruption came first. From then
// on an interruption no longer ends its connection.
bool CommitToFlash();
// Asks a device's process to stop at its next safe point.
void InterruptDeviceProcess(int pid);
