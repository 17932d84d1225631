#pragma once

#include <atomic>

#include "console/console_limits.h"
#include "net/socket.h"

// One console connection to a device: its socket (kNoSocket when closed), the
// bounds of its waits, and a stop flag that another thread or a signal
// handler may raise (the transfer then stops before anything more is written
// to the flash; opening the connection again lowers it). Every console step
// works on the connection it is given.
// How the wait after "flash" counts the device's two "complete" answers. The
// dialog counts a receive once, however often "complete" stands in it. The
// command line counts every answer in the text, so that two answers the
// network hands over in one receive (a lost segment resent together with the
// next) still count as two.
enum class CompleteCounting { PerReceive, PerAnswer };

struct ConsoleConnection {
    NetSocket socket = kNoSocket;
    ConsoleTimeouts waits;
    std::atomic<bool> stop{false};
    CompleteCounting completeCounting = CompleteCounting::PerReceive;
};

enum class ConsoleOpenResult { Connected, HostNotResolved, NoSocket, NotConnected };

// Lowers the stop flag, resolves the host, stores a new socket in the
// connection and connects it to the console port, giving up after
// connectTimeoutMs when that is above 0. An unconnected socket stays in the
// connection.
ConsoleOpenResult OpenConsole(ConsoleConnection& console, const char* host, unsigned short port = kConsolePort,
                              int connectTimeoutMs = kConnectUnbounded);
// Closes the connection's socket if it holds one.
void CloseConsole(ConsoleConnection& console);

// Answers "login: " with an empty user name and "Password: " with an empty
// password and "echo 0", skipping any other output one receive at a time,
// all within the login wait.
// Above 0 when it ended on the password prompt; 0 or less when the
// connection ended, failed or timed out first.
int ConsoleLogin(ConsoleConnection& console);

// Sends "version" and reads the text after "ver." (at most 16 characters).
// False when no answer with "ver." arrived before the connection ended or the
// login wait, taken as a whole, ran out.
bool QueryDeviceVersion(ConsoleConnection& console, char (&version)[17]);

// One send of exactly the command's bytes; the platform's result.
int SendCommand(ConsoleConnection& console, const char* command);
