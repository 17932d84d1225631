// The simulator's command line: arguments of any bytes, split at zero bytes.
#include <string>
#include <vector>

#include "sim/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> words{"tqm530r-sim"};
    std::string word;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (!word.empty()) words.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    SimOptions options;
    std::string error;
    if (ParseOptions(static_cast<int>(argv.size()), argv.data(), options, error) == ParseResult::Error && error.empty())
        __builtin_trap();  // every refusal says why
    return 0;
}
