#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Builds S-record lines for the tests, with "\r\n" as the updater sends them.
inline std::string Record(char type, unsigned address, unsigned addressBytes, const std::vector<unsigned char>& data,
                          int checksumError = 0) {
    std::vector<unsigned> bytes{static_cast<unsigned>(addressBytes + data.size() + 1)};
    for (unsigned i = addressBytes; i-- > 0;) bytes.push_back((address >> (8 * i)) & 0xFF);
    for (unsigned char d : data) bytes.push_back(d);
    unsigned sum = 0;
    for (unsigned b : bytes) sum += b;
    bytes.push_back((~sum + static_cast<unsigned>(checksumError)) & 0xFF);
    std::string line = "S";
    line += type;
    char hex[3];
    for (unsigned b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    return line + "\r\n";
}

inline std::string S2(unsigned address, const std::vector<unsigned char>& data, int checksumError = 0) {
    return Record('2', address, 3, data, checksumError);
}

inline std::vector<unsigned char> VersionData(const std::string& version) {
    std::vector<unsigned char> d{'v', 'e', 'r', '.'};
    d.insert(d.end(), version.begin(), version.end());
    d.push_back(0);
    return d;
}

// A small image: header, a code record, the version record and the end record.
inline std::vector<std::string> SmallImage(const std::string& version) {
    return {Record('0', 0, 2, {'T', 'Q'}), S2(0x020000, {0x37, 0x0E, 0x85, 0xF7}), S2(0x020200, VersionData(version)),
            S2(0x030000, {0x01, 0x02}), Record('8', 0x020000, 3, {})};
}
