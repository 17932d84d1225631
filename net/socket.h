#pragma once

#include <cstdint>

// The small network layer under the portable core. One implementation per
// platform (socket_posix.cpp, socket_win.cpp), chosen by the build.
using NetSocket = intptr_t;
constexpr NetSocket kNoSocket = -1;

// Receive results besides a byte count (> 0) and 0 for a closed connection.
constexpr int kReceiveFailed = -1;
constexpr int kReceiveTimedOut = -2;

// First IPv4 address of a host name or dotted address, in network byte order.
bool NetResolveHost(const char* host, uint32_t& address);
NetSocket NetTcpSocket();
// A blocking connect, bounded only by the platform's own retries.
bool NetConnect(NetSocket socket, uint32_t address, uint16_t port);
// The same, given up after timeoutMs (> 0); the socket is blocking again afterwards.
bool NetConnectWithin(NetSocket socket, uint32_t address, uint16_t port, int timeoutMs);
// One send of exactly these bytes; the result of the platform's send.
int NetSend(NetSocket socket, const char* data, int length);
// One receive of at most capacity bytes, waiting at most timeoutMs, on a
// socket from NetTcpSocket that is closed with NetClose (the POSIX build keeps
// the last wait it set on the socket).
int NetReceive(NetSocket socket, char* buffer, int capacity, int timeoutMs);
void NetClose(NetSocket socket);
// Ends both directions of a connection without closing the socket: a receive
// waiting on it returns at once. Safe in a signal handler.
void NetShutdown(NetSocket socket);
void NetSleep(int milliseconds);
