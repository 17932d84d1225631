#include "cli/device_console.h"

#include <arpa/inet.h>
#include <signal.h>
#include <sys/time.h>

#include <cstdio>
#include <cstring>

#include "console/console_limits.h"
#include "console/console_session.h"
#include "net/mac_resolver.h"
#include "net/socket.h"

bool ResolveHostText(const std::string& host, std::string& ip) {
    uint32_t address = 0;
    if (!NetResolveHost(host.c_str(), address)) return false;
    char text[INET_ADDRSTRLEN] = {};
    in_addr a{};
    a.s_addr = address;
    inet_ntop(AF_INET, &a, text, sizeof text);
    ip = text;
    return true;
}

std::string LoginWaitText() {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", ConsoleWaits.loginMs / 1000.0);
    return text;
}

namespace {
void OnAlarm(int) {}
}  // namespace

ConnectDeadline::ConnectDeadline(int ms) {
    struct sigaction action {};
    action.sa_handler = OnAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: the connect returns EINTR
    sigaction(SIGALRM, &action, nullptr);
    itimerval timer{};
    timer.it_value.tv_sec = ms / 1000;
    timer.it_value.tv_usec = (ms % 1000) * 1000;
    setitimer(ITIMER_REAL, &timer, nullptr);
}

ConnectDeadline::~ConnectDeadline() {
    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
}

bool ConnectConsole(const DeviceAddress& device, std::string& error) {
    ConsoleOpenResult opened;
    {
        ConnectDeadline deadline(ConsoleWaits.loginMs);
        opened = OpenConsole(device.host.c_str(), device.port);
    }
    switch (opened) {
        case ConsoleOpenResult::Connected: break;
        case ConsoleOpenResult::HostNotResolved: error = "host name does not resolve"; return false;
        case ConsoleOpenResult::NoSocket: error = "no socket"; return false;
        case ConsoleOpenResult::NotConnected:
            CloseConsole();
            error = "cannot connect to the console (port " + std::to_string(device.port) + ", refused or no answer within " +
                    LoginWaitText() + ")";
            return false;
    }
    return true;
}

bool LoginConsole(std::string& error) {
    const int login = ConsoleLogin();
    if (login > 0) return true;
    CloseConsole();
    error = login == 0 ? "the device closed the connection before the password prompt"
                       : "no login and password prompt within " + LoginWaitText();
    return false;
}

bool ConnectAndLogin(const DeviceAddress& device, std::string& error) {
    return ConnectConsole(device, error) && LoginConsole(error);
}

bool ReadDeviceVersion(std::string& version, std::string& error) {
    char text[17];
    if (!QueryDeviceVersion(text)) {
        CloseConsole();
        error = "no answer to \"version\" (connection ended, or nothing within " + LoginWaitText() + ")";
        return false;
    }
    version = text;
    return true;
}

std::string CurrentMac(const std::string& ip) {
    uint32_t address = 0;
    if (inet_pton(AF_INET, ip.c_str(), &address) != 1) return {};
    unsigned char mac[6];
    std::memset(mac, 0xFF, sizeof mac);
    ResolveMacAddress(address, mac);
    bool allOnes = true, allZero = true;  // not resolved; loopback has an all-zero address
    for (unsigned char b : mac) {
        allOnes = allOnes && b == 0xFF;
        allZero = allZero && b == 0;
    }
    if (allOnes || allZero) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}
