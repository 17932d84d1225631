#pragma once

#include <nlohmann/json.hpp>

// How --json prints: one object a line, or one indented document.

// One object on one line of stdout, flushed.
void PrintJsonLine(const nlohmann::json& value);
// A whole document, indented, on stdout.
void PrintJsonDocument(const nlohmann::json& value);
