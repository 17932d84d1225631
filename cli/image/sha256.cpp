#include "cli/image/sha256.h"

std::string DigestHex(const unsigned char* digest, size_t size) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}
