#pragma once

#include <cstdint>
#include <vector>

#include "net/socket.h"

// The search socket: UDP bound to any address on port, address sharing on.
// kNoSocket when it cannot be created or bound.
NetSocket NetSearchSocket(uint16_t port);
// Asks for a receive buffer of at least bytes, so that many datagrams
// arriving at once wait for the reader instead of being dropped; beyond the
// system's limit for programs it asks with the administrator's right (POSIX).
// Returns the size the system granted (0 when unknown).
int NetSetReceiveBuffer(NetSocket socket, int bytes);
// Joins group and sends multicast through interfaceAddress (network byte
// order); results are not examined. Windows joins on the default interface,
// POSIX on interfaceAddress, so that each interface of a search has joined.
void NetJoinMulticast(NetSocket socket, const char* group, uint32_t interfaceAddress);
int NetSendTo(NetSocket socket, const char* data, int length, const char* address, uint16_t port);
// One datagram of at most capacity bytes and its sender's IPv4 address.
int NetReceiveFrom(NetSocket socket, char* buffer, int capacity, int timeoutMs, uint32_t& sender);
// The first IPv4 address that the host's own name resolves to.
bool NetOwnFirstAddress(uint32_t& address);
// The addresses a search joins the group on and sends from. Windows: the
// first address of the host's own name (interfaceName must be null). POSIX:
// the named interface's IPv4 address, or by default that of every up,
// multicast-capable interface other than loopback. False when there is none.
bool NetSearchInterfaces(const char* interfaceName, std::vector<uint32_t>& addresses);
// Sends later multicast datagrams through interfaceAddress.
void NetUseMulticastInterface(NetSocket socket, uint32_t interfaceAddress);
// Dotted-decimal text of an address in network byte order.
void NetAddressText(uint32_t address, char (&text)[16]);
