#pragma once

// The few socket calls the fake device makes, on POSIX and on Winsock: the
// console tests run natively and, built for Windows, under Wine.
#include <unistd.h>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using TestSocket = SOCKET;
constexpr TestSocket kNoTestSocket = INVALID_SOCKET;
constexpr int kSendFlags = 0;
inline void CloseTestSocket(TestSocket s) { ::closesocket(s); }
// An accept blocked in another thread returns when its socket is closed.
inline void StopListening(TestSocket& s) {
    ::closesocket(s);
    s = kNoTestSocket;
}
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
using TestSocket = int;
constexpr TestSocket kNoTestSocket = -1;
constexpr int kSendFlags = MSG_NOSIGNAL;  // a closed peer is a failed send, not SIGPIPE
inline void CloseTestSocket(TestSocket s) { ::close(s); }
// An accept blocked in another thread returns on shutdown; the socket is
// closed once that thread has ended.
inline void StopListening(TestSocket& s) { ::shutdown(s, SHUT_RDWR); }
#endif
