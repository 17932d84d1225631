#pragma once

#include <cstddef>
#include <string>

// The SHA-256 of size bytes as 64 lower-case hexadecimal digits; empty when
// the platform's hash fails. POSIX: OpenSSL's libcrypto (sha256_posix.cpp);
// Windows: CNG in bcrypt.dll (sha256_win.cpp).
std::string Sha256Hex(const char* data, size_t size);

// 32 bytes as 64 lower-case hexadecimal digits.
std::string DigestHex(const unsigned char* digest, size_t size);
