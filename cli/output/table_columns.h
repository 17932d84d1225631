#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The tables' columns by what a terminal shows: an East Asian wide character
// takes two columns, a combining mark none. Text is UTF-8; a byte of a
// broken sequence takes one column (it is shown as U+FFFD).

size_t TextColumns(const std::string& text);
// text with spaces after it up to columns (as it is when already as wide).
std::string PaddedToColumns(const std::string& text, size_t columns);
// The widest of texts, at least least.
size_t WidestColumns(const std::vector<std::string>& texts, size_t least);
