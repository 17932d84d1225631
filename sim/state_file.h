#pragma once

#include <string>

#include "sim/device_state.h"

// The state kept across restarts: version, MAC tail, erased blocks and the
// flashed image text. Missing file: false and the state left as it was.
bool LoadState(const std::string& path, DeviceState& device, std::string& error);

// Writes the state atomically: a temporary file in the same directory,
// flushed to disk, then renamed over the old one.
bool SaveState(const std::string& path, const DeviceState& device, std::string& error);

// The file text of a state, and back.
std::string StateText(const DeviceState& device);
bool ParseStateText(const std::string& text, DeviceState& device);
