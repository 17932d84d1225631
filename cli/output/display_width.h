#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How many columns of a terminal text takes: East Asian wide and fullwidth
// characters two, combining marks and other zero-width characters none,
// every other character one. Text is UTF-8; a byte of a broken sequence takes
// one column (a terminal draws it as U+FFFD). For the lines that must fit the
// terminal's width and the tables that align by what is seen.

// The columns of one code point: 0, 1 or 2 (control characters 0).
int CodePointWidth(char32_t cp);
size_t DisplayWidth(const std::string& text);
// The longest start of text that takes at most columns; never cuts a UTF-8
// sequence, and keeps the zero-width marks that follow the last character kept.
std::string CutToWidth(const std::string& text, size_t columns);
// text with spaces after it up to columns (as it is when already as wide).
std::string PadToWidth(const std::string& text, size_t columns);
// The widest of texts, at least least.
size_t WidestWidth(const std::vector<std::string>& texts, size_t least);
