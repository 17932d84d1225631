#include <openssl/evp.h>

#include "cli/image/sha256.h"

std::string Sha256Hex(const char* data, size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr) != 1) return {};
    return DigestHex(digest, length);
}
