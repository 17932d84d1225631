#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "firmware/image_version.h"

namespace {

std::string Extract(const std::string& image, bool* found = nullptr) {
    char version[kImageVersionTextSize];
    std::memset(version, 0x55, sizeof version);
    bool ok = ExtractImageVersion(version, image.data(), static_cast<uint32_t>(image.size()));
    if (found) *found = ok;
    return std::string(version, strnlen(version, sizeof version));
}

}  // namespace

TEST(HexTextToInt, DigitsOfEitherCaseAndNonDigitsAsZero) {
    EXPECT_EQ(HexTextToInt("4F", 2), 79);
    EXPECT_EQ(HexTextToInt("4f", 2), 79);
    EXPECT_EQ(HexTextToInt("G1", 2), 1);
    EXPECT_EQ(HexTextToInt("1G", 2), 0x10);
    EXPECT_EQ(HexTextToInt("\r\n", 2), 0);
    EXPECT_EQ(HexTextToInt("\xff\x80", 2), 0);
    EXPECT_EQ(HexTextToInt("4F", 0), 0);
    EXPECT_EQ(HexTextToInt("4F", -3), 0);
    EXPECT_EQ(HexTextToInt("7FFFFFFF", 8), 0x7FFFFFFF);
    EXPECT_EQ(HexTextToInt("FFFFFFFF", 8), -1);
}

TEST(ExtractImageVersion, DecodesAcrossTheEndOfTheRecord) {
    const std::string image =
        "S00E000054514D353330522E4D4F54F7\r\n"
        "S20F0202007665722E312E302E3035004F\r\n"
        "S214020400B00B866810E61E6953E3BA15CCE721677F\r\n";
    char version[kImageVersionTextSize];
    ASSERT_TRUE(ExtractImageVersion(version, image.data(), static_cast<uint32_t>(image.size())));
    const unsigned char expected[16] = {'1',  '.',  '0',  '.',  '0',  '5',  0,    0x4F,
                                        0x00, 0x02, 0x14, 0x02, 0x04, 0x00, 0xB0, 0x0B};
    EXPECT_EQ(std::memcmp(version, expected, 16), 0);
}

TEST(ExtractImageVersion, MissingMarkerGivesNoVersion) {
    bool found = true;
    // Another address, and the right record written in lower case.
    EXPECT_EQ(Extract("S20F0203007665722E312E302E3035004E\r\n", &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(Extract("S20f0202007665722e312e302e3035004f\r\n", &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(Extract("", &found), "");
    char version[kImageVersionTextSize];
    EXPECT_FALSE(ExtractImageVersion(version, nullptr, 0));
}

TEST(ExtractImageVersion, FirstOccurrenceWinsEvenInsideOtherData) {
    const std::string image =
        "S2140201F0202007665722E322E302E300000000001\r\n"
        "S20F0202007665722E312E302E3035004F\r\n";
    EXPECT_EQ(Extract(image), "2.0.0");
}

TEST(ExtractImageVersion, SixteenCharactersWithoutZeroByte) {
    // 17 version characters: only the first 16 decoded bytes count.
    std::string hex;
    const std::string text = "12.345.678.90123";
    for (char c : text) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(c));
        hex += pair;
    }
    const std::string image = "S21C0202007665722E" + hex + "3400AA\r\n";
    EXPECT_EQ(Extract(image), text);
}

TEST(ExtractImageVersion, ReadingPastTheImageEndCountsAsZero) {
    // The image stops right after "1.0"; nothing beyond its size is read.
    const std::string full = "S20F0202007665722E312E30";
    std::string buffer = full + "2E3035FFFFFF";  // bytes beyond the size must not count
    char version[kImageVersionTextSize];
    ASSERT_TRUE(ExtractImageVersion(version, buffer.data(), static_cast<uint32_t>(full.size())));
    EXPECT_STREQ(version, "1.0");
    for (int k = 3; k < 16; ++k) EXPECT_EQ(version[k], 0) << k;
}
