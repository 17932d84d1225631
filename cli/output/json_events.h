#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/device/device_outcome.h"

// How --json prints: one object a line, or one indented document.

// value as JSON text (indent -1: one line). Never throws: bytes of its strings
// that are not UTF-8 (a path, a device's answer) become U+FFFD.
std::string JsonText(const nlohmann::json& value, int indent = -1);

// One object on one line of stdout, flushed.
void PrintJsonLine(const nlohmann::json& value);
// A whole document, indented, on stdout.
void PrintJsonDocument(const nlohmann::json& value);

// {"event":"result",...}: how a device ended, as its update child tells the
// parent (child_protocol.h) and as --json prints it.
nlohmann::json OutcomeToJson(const DeviceOutcome& outcome);
