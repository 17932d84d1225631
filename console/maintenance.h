#pragma once

#include "console/console_limits.h"

// The ROM erase and the MAC address write, the console's maintenance commands.

// The 18 lines of the erase, "debug 1" to "bye", in the order sent.
extern const char* const kEraseCommands[18];
// Sends the erase lines on ConsoleSocket, one send each, reading nothing.
// The caller has asked the operator first.
void SendEraseCommands();

constexpr int kMacFrameSize = 70;

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

// Validates the digits, connects, logs in and sends "debug 1", the frame,
// "debug 0", "echo 1" and "bye". Nothing is sent for invalid digits; a login
// that ends without the password prompt, or a failed send, is WriteFailed.
MacWriteOutcome RunMacWrite(const char* host, const char* digits, unsigned short port = kConsolePort,
                            int connectTimeoutMs = kConnectUnbounded);
