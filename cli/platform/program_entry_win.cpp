#include <string>
#include <vector>

#include "cli/platform/program_entry.h"
#include "cli/platform/windows_file.h"

// Built with -municode: the C runtime hands over the command line as UTF-16.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(Narrow(argv[i]));
    std::vector<char*> pointers;
    for (std::string& a : arguments) pointers.push_back(&a[0]);
    pointers.push_back(nullptr);
    return ToolMain(argc, pointers.data());
}
