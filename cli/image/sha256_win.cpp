#include <windows.h>
#include <bcrypt.h>

#include "cli/image/sha256.h"

namespace {

// One hash object for one message; false when CNG refuses a step.
bool Hash(BCRYPT_ALG_HANDLE algorithm, const char* data, size_t size, unsigned char (&digest)[32]) {
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) != 0) return false;
    bool ok = true;
    // BCryptHashData takes at most a ULONG at a time.
    for (size_t done = 0; ok && done < size;) {
        const ULONG chunk = static_cast<ULONG>(size - done < 0x40000000u ? size - done : 0x40000000u);
        ok = BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data + done)), chunk, 0) == 0;
        done += chunk;
    }
    ok = ok && BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
    BCryptDestroyHash(hash);
    return ok;
}

}  // namespace

std::string Sha256Hex(const char* data, size_t size) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) return {};
    unsigned char digest[32];
    const bool ok = Hash(algorithm, data, size, digest);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return ok ? DigestHex(digest, sizeof digest) : std::string();
}
