#pragma once

// An update stopped from outside: Ctrl-C, SIGTERM, a closed terminal (on
// Windows: Ctrl-C, Ctrl-Break, the console window closed), or the death of
// the parent process. A device before "flash" stops at once (nothing
// has been written to its flash); a device that has been sent "flash"
// finishes its flash and reset. One implementation per platform.

// The parent: counts the signals that arrive from now on.
void WatchParentInterruptions();
// How many interruptions the parent has heard, and the first one's exit code
// (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP; Windows: 130 Ctrl-C and Ctrl-Break,
// 129 the console closed; 0 when none).
int ParentInterruptions();
int InterruptionExitCode();

// One device's process: an interruption (its own signal or console event,
// the parent's request to stop (Subprocess::RequestStop), or the parent's death) stops the device unless it has been
// committed to "flash": it raises the console's stop flag and shuts its
// socket down. A request to stop that came while the process was starting
// counts from here on (POSIX: the child starts with the signals blocked).
// The console must outlive the process's work.
struct ConsoleConnection;
void WatchDeviceInterruptions(ConsoleConnection& console);
bool DeviceInterrupted();
// Commits the device to "flash" unless an interruption came first. From then
// on an interruption no longer ends its connection.
bool CommitToFlash();
// The device's work is over: from here on an interruption changes nothing
// (its record and its last event still go out) and the console is no longer
// touched, so it may end. POSIX blocks the stop signals for the rest of the
// process.
void EndDeviceWatch();

// What the standard streams need before anything is written: POSIX ignores
// SIGPIPE (a closed console or pipe is a send result, not a death); Windows
// sets the console's output code page to UTF-8 (the tool's own text goes
// through WriteText, output/terminal.h, whatever the code page).
void PrepareStandardStreams();
