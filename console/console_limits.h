#pragma once

// Every wait on the device is bounded, so a device that stops answering but
// keeps its connection open never holds the program for good.
struct ConsoleTimeouts {
    int loginMs = 10000;      // each receive of the login and the version query
    int lineMs = 10000;       // each receive that paces the image lines
    int checksumMs = 30000;   // each receive while waiting for "sum  :"
    int completeMs = 120000;  // each receive while waiting for "complete"
};

constexpr int kConsoleReceiveSize = 8192;
// The device's text console.
constexpr unsigned short kConsolePort = 23;
// A connect bounded only by the system, as the dialog makes it.
constexpr int kConnectUnbounded = 0;
