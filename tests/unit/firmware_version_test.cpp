#include <gtest/gtest.h>

#include "firmware/firmware_version.h"

namespace {
uint32_t Packed(const char* text) { return ParseFirmwareVersion(text).Packed(); }
}  // namespace

TEST(ParseFirmwareVersion, ReadsThreeNumbersAsBytes) {
    EXPECT_EQ(Packed("1.0.05"), 65541u);
    EXPECT_EQ(Packed("1.0.5"), Packed("1.0.05"));
    EXPECT_EQ(Packed("1.256.0"), Packed("1.0.0"));
    EXPECT_EQ(Packed("300.0.0"), 44u << 16);
    EXPECT_EQ(Packed("-1.0.0"), 255u << 16);
    EXPECT_EQ(Packed("+2. 3.4beta"), (2u << 16) | (3u << 8) | 4u);
    EXPECT_EQ(Packed("1.x.3"), (1u << 16) | 3u);
    // A long digit run wraps like the exact number would; the cut at 16 characters drops the patch.
    EXPECT_EQ(Packed("99999999999999.1.1"), ((99999999999999ull % 256) << 16) | (1u << 8));
}

TEST(ParseFirmwareVersion, EmptyTokensDoNotCountAndMissingPartsAreZero) {
    EXPECT_EQ(Packed("1..2.3"), Packed("1.2.3"));
    EXPECT_EQ(Packed(".1.2.3."), Packed("1.2.3"));
    EXPECT_EQ(Packed("1.2.3.4.5"), Packed("1.2.3"));
    EXPECT_EQ(Packed("7"), 7u << 16);
    EXPECT_EQ(Packed("7.1"), (7u << 16) | (1u << 8));
    EXPECT_EQ(Packed(""), 0u);
    EXPECT_EQ(Packed("invalid file."), 0u);
}

TEST(ParseFirmwareVersion, ReadsOnlySixteenCharacters) {
    // The third number starts at character 16 and is not seen.
    EXPECT_EQ(Packed("1.00000000000002.3"), (1u << 16) | (2u << 8));
    char unterminated[16];
    for (char& c : unterminated) c = '1';
    EXPECT_EQ(ParseFirmwareVersion(unterminated).major, static_cast<uint8_t>(1111111111111111ull % 256));
}

TEST(FirmwareVersion, OrdersByPackedValue) {
    EXPECT_LT(ParseFirmwareVersion("1.2.3"), ParseFirmwareVersion("1.10.0"));
    EXPECT_LT(ParseFirmwareVersion("1.255.255"), ParseFirmwareVersion("2.0.0"));
    EXPECT_FALSE(ParseFirmwareVersion("1.0.5") < ParseFirmwareVersion("1.0.05"));
    EXPECT_FALSE(ParseFirmwareVersion("1.1.0") < ParseFirmwareVersion("1.0.05"));
}
