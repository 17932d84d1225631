#pragma once

#include <functional>
#include <string>

#include "cli/device/device_address.h"
#include "cli/device/device_lock.h"
#include "cli/device/device_phase.h"
#include "console/console_limits.h"
#include "console/console_session.h"

// How every command reaches a device's console: resolve the host and take the
// device's lock, then the core's ReachDevice (connect within the login wait,
// the MAC check of what the search found, login, version), each failure told
// in one line.

// How the command line reaches devices: the console port of a host given
// without one, and the waits that --timeout and --flash-timeout change.
struct DeviceAccess {
    int port = kConsolePort;
    double timeoutSeconds = 0;  // each short wait; 0: the console's own (ConsoleTimeouts)
    double flashTimeoutSeconds = ConsoleTimeouts{}.completeMs / 1000.0;
};

// The console's waits with the access's over the defaults.
ConsoleTimeouts ConsoleWaitsFrom(const DeviceAccess& access);

// A device to work on: as given, or as the search found it.
struct DeviceTarget {
    DeviceAddress device;
    std::string searchMac;  // the MAC that the search found (--all); empty otherwise
    std::string name;       // the inventory's name for that MAC (--inventory); empty otherwise
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

// Called with Connect and Login as those steps begin.
using StepHook = std::function<void(DevicePhase step)>;

// Resolves the host and takes its lock (held until lock ends).
bool ReserveDevice(const DeviceAddress& device, DeviceLock& lock, DeviceVisit& visit);
// Connects console to a reserved device, checks its MAC, logs in and, when
// readVersion, reads the version. The console stays open on true and is
// closed on false.
bool OpenReservedDevice(ConsoleConnection& console, const DeviceTarget& target, DeviceVisit& visit,
                        const StepHook& hook = {}, bool readVersion = true);
// Both of them.
bool OpenDevice(ConsoleConnection& console, const DeviceTarget& target, DeviceLock& lock, DeviceVisit& visit,
                const StepHook& hook = {});

// Resolves the host to its dotted IPv4 text. False when it does not resolve.
bool ResolveHostText(const std::string& host, std::string& ip);
