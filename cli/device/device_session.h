#pragma once

#include <functional>
#include <string>

#include "cli/device/device_address.h"
#include "cli/device/device_lock.h"

// The one way every command reaches a device's console: resolve the host,
// take the device's lock, connect within the login wait, check the MAC that
// the search found, log in and read the version, on the one ConsoleSocket.

// A device to work on: as given, or as the search found it.
struct DeviceTarget {
    DeviceAddress device;
    std::string searchMac;  // the MAC that the search found (--all); empty otherwise
};

// Where opening a device stopped.
enum class OpenFailure { None, Unresolved, Busy, Unreachable, MacChanged, NoLogin, NoVersion };

struct DeviceVisit {
    std::string ip;       // dotted, once resolved
    std::string mac;      // ARP's answer after the connect, else the search's
    std::string version;  // the device's, once read
    OpenFailure failure = OpenFailure::None;
    std::string error;  // one line, when a step failed
};

// Called with "connect" and "login" as those steps begin.
using StepHook = std::function<void(const char* step)>;

// Resolves the host and takes its lock (held until lock ends).
bool ReserveDevice(const DeviceAddress& device, DeviceLock& lock, DeviceVisit& visit);
// Connects to a reserved device, checks its MAC, logs in and reads the
// version. The console stays open on true and is closed on false.
bool OpenReservedDevice(const DeviceTarget& target, DeviceVisit& visit, const StepHook& hook = {});
// Both of them.
bool OpenDevice(const DeviceTarget& target, DeviceLock& lock, DeviceVisit& visit, const StepHook& hook = {});

// Resolves the host to its dotted IPv4 text. False when it does not resolve.
bool ResolveHostText(const std::string& host, std::string& ip);

// The MAC address that ARP gives for ip now, "02-4c-1a-03-12-ab"; empty
// when it does not resolve (loopback, or no answer).
std::string CurrentMac(const std::string& ip);
// A MAC text that stands for no answer: empty, all ones (a failed ARP request)
// or all zeros (loopback).
bool IsUnresolvedMac(const std::string& mac);
