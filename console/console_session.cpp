#include "console/console_session.h"

#include <cstring>

#include "console/console_limits.h"
#include "console/console_match.h"
#include "console/wait_deadline.h"

NetSocket ConsoleSocket = kNoSocket;
ConsoleTimeouts ConsoleWaits;

ConsoleOpenResult OpenConsole(const char* host, unsigned short port, int connectTimeoutMs) {
    uint32_t address = 0;
    if (!NetResolveHost(host, address)) return ConsoleOpenResult::HostNotResolved;
    ConsoleSocket = NetTcpSocket();
    if (ConsoleSocket == kNoSocket) return ConsoleOpenResult::NoSocket;
    const bool connected = connectTimeoutMs > 0 ? NetConnectWithin(ConsoleSocket, address, port, connectTimeoutMs)
                                                : NetConnect(ConsoleSocket, address, port);
    if (!connected) return ConsoleOpenResult::NotConnected;
    return ConsoleOpenResult::Connected;
}

void CloseConsole() {
    if (ConsoleSocket == kNoSocket) return;
    NetClose(ConsoleSocket);
    ConsoleSocket = kNoSocket;
}

int SendCommand(const char* command) { return NetSend(ConsoleSocket, command, static_cast<int>(std::strlen(command))); }

int ConsoleLogin() {
    const WaitDeadline deadline(ConsoleWaits.loginMs);
    char buffer[kConsoleReceiveSize + 1];
    for (;;) {
        std::memset(buffer, 0, sizeof buffer);
        const int result = NetReceive(ConsoleSocket, buffer, kConsoleReceiveSize, deadline.LeftMs());
        if (result <= 0) return result < 0 ? -1 : 0;
        if (IsPrompt(buffer, "login: ")) {
            SendCommand("\r\n");
        } else if (IsPrompt(buffer, "Password: ")) {
            SendCommand("\r\necho 0\r\n");
            return result;
        }
    }
}

bool QueryDeviceVersion(char (&version)[17]) {
    std::memset(version, 0, sizeof version);
    SendCommand("version\r\n");
    NetSleep(100);
    const WaitDeadline deadline(ConsoleWaits.loginMs);
    char buffer[kConsoleReceiveSize + 1];
    for (;;) {
        std::memset(buffer, 0, sizeof buffer);
        const int result = NetReceive(ConsoleSocket, buffer, kConsoleReceiveSize, deadline.LeftMs());
        if (result <= 0) return false;
        if (ReadVersionAnswer(buffer, version)) return true;
    }
}
