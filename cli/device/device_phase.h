#pragma once

#include <string>

// The steps of one device's update: as its process reports them, as the
// display shows them and as the page's timeline draws them.
enum class DevicePhase {
    Waiting,  // not started yet
    Connect,
    Login,
    Transfer,
    Check,
    Flash,
    Reset,
    Verify,
    Soak,   // a rollout's soak until the device is read again
    Retry,  // the pause before the next try
    Whole,  // a history record that kept no phases: one span from start to end
};

// Everything the tool says or decides by a phase, in one table row each.
struct PhaseTraits {
    DevicePhase phase;
    const char* name;      // in the events and the history's "phases"
    const char* shown;     // what a person reads: the bars, plain lines, the page's legend
    DevicePhase timeline;  // the span the page draws it as (login is part of connect)
    bool drawn;            // the page's timeline has a span for it
    bool pastFlash;        // "flash" was sent: an interruption lets the device finish
};

// clang-format off
inline constexpr PhaseTraits kPhaseTraits[] = {
    // phase                  name        shown                            timeline               drawn  pastFlash
    {DevicePhase::Waiting,  "waiting",  "waiting",                       DevicePhase::Waiting,  false, false},
    {DevicePhase::Connect,  "connect",  "connect",                       DevicePhase::Connect,  true,  false},
    {DevicePhase::Login,    "login",    "login",                         DevicePhase::Connect,  true,  false},
    {DevicePhase::Transfer, "transfer", "transfer",                      DevicePhase::Transfer, true,  false},
    {DevicePhase::Check,    "check",    "check",                         DevicePhase::Check,    true,  false},
    {DevicePhase::Flash,    "flash",    "flash",                         DevicePhase::Flash,    true,  true},
    {DevicePhase::Reset,    "reset",    "reset",                         DevicePhase::Reset,    true,  true},
    {DevicePhase::Verify,   "verify",   "verify",                        DevicePhase::Verify,   true,  true},
    {DevicePhase::Soak,     "soak",     "soak and read again",           DevicePhase::Soak,     true,  false},
    {DevicePhase::Retry,    "wait",     "waiting to retry",              DevicePhase::Retry,    true,  false},
    {DevicePhase::Whole,    "whole",    "whole update (no phases kept)", DevicePhase::Whole,    true,  false},
};
// clang-format on

const PhaseTraits& TraitsOf(DevicePhase phase);
inline const char* PhaseName(DevicePhase phase) { return TraitsOf(phase).name; }
// False when name is no phase's.
bool PhaseFromName(const std::string& name, DevicePhase& phase);
