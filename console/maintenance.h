#pragma once

#include "console/console_session.h"
#include "console/device_access.h"

// The ROM erase and the MAC address write, the console's maintenance commands.

// The 18 lines of the erase, "debug 1" to "bye", in the order sent: between
// the debug lines, one "era" per flash block from 20000 to F0000.
constexpr int kErasedBlocks = 14;
extern const char* const kEraseCommands[kErasedBlocks + 4];

// How an erase went. The device answers none of its lines; "bye" ends the
// console from the device's side.
enum class EraseOutcome {
    Done,        // every line went out (and, when awaited, the device ended the console)
    EndedEarly,  // the device had ended the connection before a line: it and the rest stay unsent
    SendFailed,  // a line did not go out whole: the rest stay unsent
    Dropped,     // after "bye" the connection was reset or failed: the device did not take every line
    NotEnded,    // after "bye" the console stayed open for the whole login wait
};
struct EraseReport {
    EraseOutcome outcome = EraseOutcome::Done;
    int linesSent = 0;
};

// Sends the erase lines on the logged-in console, one send each, stopping at
// the first that does not go out whole or that the device has already ended
// the connection before (a receive that does not wait sees that; whatever
// else it takes in is dropped). The caller has asked the operator first.
EraseReport SendEraseCommands(ConsoleConnection& console);
// The same, then the device's end of the console after "bye", within the
// login wait; what it sends meanwhile (an echo) is dropped.
EraseReport EraseAndAwaitEnd(ConsoleConnection& console);

constexpr int kMacFrameSize = 70;
// The device's register that takes the last two bytes of its MAC ("fw 304").
constexpr unsigned kMacRegister = 0x304;

// The first four characters of digits must be hexadecimal digits (further
// characters are ignored).
bool IsValidMacDigits(const char* digits);
// "fw 304 XXXX\r\n" with the first four digits, padded with zeros to 70 bytes.
void BuildMacWriteFrame(const char* digits, char (&frame)[kMacFrameSize]);
// The address a write of valid digits gives the device, "02-4C-1A-03-12-ab",
// with the digits as typed.
constexpr int kMacAddressTextSize = 18;
void FormatWrittenMacAddress(const char* digits, char (&address)[kMacAddressTextSize]);

enum class MacWriteOutcome { Written, InvalidDigits, InvalidHost, NoSocket, WriteFailed };

// On a logged-in console: sends "debug 1", the frame of valid digits,
// "debug 0", "echo 1" and "bye", stopping at the first failed send, and
// closes the console. Written, or WriteFailed.
MacWriteOutcome SendMacWrite(ConsoleConnection& console, const char* digits);

// The MAC-write mode's whole write: nothing is sent for invalid digits; then
// the device is reached as asked (a host that does not resolve or connect is
// InvalidHost, a login that ends without the password prompt WriteFailed)
// and SendMacWrite runs.
MacWriteOutcome RunMacWrite(ConsoleConnection& console, const DeviceReachRequest& request, const char* digits);
