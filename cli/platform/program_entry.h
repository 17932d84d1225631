#pragma once

// The tool itself, given its arguments as UTF-8 (cli/main.cpp). The program's
// entry point is the platform's: main on Linux, wmain on Windows, which reads
// the arguments as UTF-16 so that no path is bent through the ANSI code page.
int ToolMain(int argc, char** argv);
