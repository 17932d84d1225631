#pragma once

#include "console/console_limits.h"
#include "net/socket.h"

// The one console connection of the selected device, or kNoSocket.
extern NetSocket ConsoleSocket;

enum class ConsoleOpenResult { Connected, HostNotResolved, NoSocket, NotConnected };

// Resolves the host, stores a new socket in ConsoleSocket and connects it to
// the console port, giving up after connectTimeoutMs when that is above 0.
// An unconnected socket stays in ConsoleSocket.
ConsoleOpenResult OpenConsole(const char* host, unsigned short port = kConsolePort,
                              int connectTimeoutMs = kConnectUnbounded);
// Closes ConsoleSocket if it holds a socket.
void CloseConsole();

// Answers "login: " with an empty user name and "Password: " with an empty
// password and "echo 0", skipping any other output one receive at a time,
// all within the login wait.
// Above 0 when it ended on the password prompt; 0 or less when the
// connection ended, failed or timed out first.
int ConsoleLogin();

// Sends "version" and reads the text after "ver." (at most 16 characters).
// False when no answer with "ver." arrived before the connection ended or the
// login wait, taken as a whole, ran out.
bool QueryDeviceVersion(char (&version)[17]);

// One send of exactly the command's bytes; the platform's result.
int SendCommand(const char* command);
