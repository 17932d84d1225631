#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "firmware/firmware_image.h"
#include "firmware/firmware_version.h"
#include "firmware/image_version.h"
#include "tests/common/image_shape.h"

TEST(CarriedImage, LoadsWithItsShapeAndVersion) {
    FirmwareImageView image;
    ASSERT_TRUE(LoadFirmwareImage(nullptr, image));
    ASSERT_EQ(image.size, kImageBytes);
    const std::string text(image.text, image.size);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 14), "S8040204886D\r\n");
    EXPECT_EQ(text.find(VersionRecordMarker), 69u);
    EXPECT_EQ(text.find(VersionRecordMarker, 70), std::string::npos);

    char version[kImageVersionTextSize];
    ASSERT_TRUE(ExtractImageVersion(version, image.text, image.size));
    EXPECT_STREQ(version, "1.0.05");
    EXPECT_EQ(ParseFirmwareVersion(version).Packed(), 65541u);
}

TEST(CarriedImage, EveryLineIsAShortRecordWithItsChecksum) {
    FirmwareImageView image;
    ASSERT_TRUE(LoadFirmwareImage(nullptr, image));
    const std::string text(image.text, image.size);
    size_t start = 0, lines = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(start, end - start);
        ASSERT_LE(line.size(), 44u) << "line " << lines;
        ASSERT_EQ(line[0], 'S');
        unsigned sum = 0;
        for (size_t i = 2; i + 1 < line.size(); i += 2) sum += static_cast<unsigned>(HexTextToInt(&line[i], 2));
        EXPECT_EQ(sum & 0xFF, 0xFFu) << "line " << lines;
        EXPECT_EQ(static_cast<size_t>(HexTextToInt(&line[2], 2)) * 2 + 4, line.size()) << "line " << lines;
        start = end + 2;
        ++lines;
    }
    EXPECT_EQ(lines, kImageLines);
}
