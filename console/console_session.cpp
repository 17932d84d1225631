#include "console/console_session.h"

#include <cstring>

#include "console/console_limits.h"
#include "console/console_match.h"
#include "console/wait_deadline.h"

ConsoleOpenResult OpenConsole(ConsoleConnection& console, const char* host, unsigned short port, int connectTimeoutMs) {
    // Lowered first: a stop raised from here on still reaches this connection.
    console.stop.store(false);
    uint32_t address = 0;
    if (!NetResolveHost(host, address)) return ConsoleOpenResult::HostNotResolved;
    console.socket = NetTcpSocket();
    if (console.socket == kNoSocket) return ConsoleOpenResult::NoSocket;
    const bool connected = connectTimeoutMs > 0 ? NetConnectWithin(console.socket, address, port, connectTimeoutMs)
                                                : NetConnect(console.socket, address, port);
    if (!connected) return ConsoleOpenResult::NotConnected;
    return ConsoleOpenResult::Connected;
}

void CloseConsole(ConsoleConnection& console) {
    if (console.socket == kNoSocket) return;
    const NetSocket socket = console.socket;
    // Marked closed first, so that a signal handler never shuts a reused handle.
    console.socket = kNoSocket;
    NetClose(socket);
}

int SendCommand(ConsoleConnection& console, const char* command) {
    return NetSend(console.socket, command, static_cast<int>(std::strlen(command)));
}

int ConsoleLogin(ConsoleConnection& console) {
    const WaitDeadline deadline(console.waits.loginMs);
    char buffer[kConsoleReceiveSize + 1];
    for (;;) {
        std::memset(buffer, 0, sizeof buffer);
        const int result = NetReceive(console.socket, buffer, kConsoleReceiveSize, deadline.LeftMs());
        if (result <= 0) return result < 0 ? -1 : 0;
        if (IsPrompt(buffer, "login: ")) {
            SendCommand(console, "\r\n");
        } else if (IsPrompt(buffer, "Password: ")) {
            SendCommand(console, "\r\necho 0\r\n");
            return result;
        }
    }
}

bool QueryDeviceVersion(ConsoleConnection& console, char (&version)[17]) {
    std::memset(version, 0, sizeof version);
    SendCommand(console, "version\r\n");
    NetSleep(100);
    const WaitDeadline deadline(console.waits.loginMs);
    char buffer[kConsoleReceiveSize + 1];
    for (;;) {
        std::memset(buffer, 0, sizeof buffer);
        const int result = NetReceive(console.socket, buffer, kConsoleReceiveSize, deadline.LeftMs());
        if (result <= 0) return false;
        if (ReadVersionAnswer(buffer, version)) return true;
    }
}
