#pragma once

#include <string>
#include <vector>

// One command line of a Windows program from its arguments, each quoted so
// that the C runtime's reading (CommandLineToArgvW's rules) gives it back:
// quotes around an argument with a space, a tab or a quote, or an empty one;
// a quote inside as \", and the backslashes before a quote doubled.
std::string WindowsCommandLine(const std::vector<std::string>& arguments);
