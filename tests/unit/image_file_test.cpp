// The check of an image file from the maker: one refusal per kind of fault,
// with the line it names, and the carried image accepted as it is.
#include <gtest/gtest.h>

#include <string>

#include "firmware/firmware_image.h"
#include "firmware/firmware_version.h"
#include "firmware/image_file.h"

namespace {

// A small sound file: header, the version record, one data record, the end.
const std::string kHeader = "S00600004844521B\r\n";
const std::string kVersion = "S20F0202007665722E312E302E3035004F\r\n";  // "ver.1.0.05" and a zero byte
const std::string kData = "S1040000AA51\r\n";
const std::string kEnd = "S9030000FC\r\n";

ImageFileCheck Check(const std::string& text) {
    return CheckImageFile(text.data(), static_cast<uint32_t>(text.size()));
}

}  // namespace

TEST(ImageFile, ASoundFileAndTheCarriedImagePass) {
    const ImageFileCheck small = Check(kHeader + kVersion + kData + kEnd);
    EXPECT_EQ(small.fault, ImageFileFault::None);
    EXPECT_STREQ(small.version, "1.0.05");
    FirmwareImageView image;
    ASSERT_TRUE(LoadFirmwareImage(nullptr, image));
    const ImageFileCheck carried = CheckImageFile(image.text, image.size);
    EXPECT_EQ(carried.fault, ImageFileFault::None);
    EXPECT_STREQ(carried.version, "1.0.05");
}

TEST(ImageFile, EachFaultIsRefusedWithItsLine) {
    struct Case {
        const char* name;
        std::string text;
        ImageFileFault fault;
        uint32_t line;
        SRecordFault record;
    };
    const std::string noVersion = "S20F0202007665722F312E302E3035004E\r\n";   // "ver/" is not the marker
    const std::string badVersion = "S20F0202007665722E312E782E30350007\r\n";  // "1.x.05"
    const Case cases[] = {
        {"empty", "", ImageFileFault::Empty, 0, SRecordFault::None},
        {"zero byte", kHeader + std::string("S1040000AA51\0\r\n", 15) + kEnd, ImageFileFault::ZeroByte, 2,
         SRecordFault::None},
        {"LF alone", kHeader + "S1040000AA51\n" + kEnd, ImageFileFault::NoCrLf, 2, SRecordFault::None},
        {"no line end at all", kHeader + kVersion + "S9030000FC", ImageFileFault::NoCrLf, 3, SRecordFault::None},
        {"CR alone inside", kHeader + "S104\r0000AA51\r\n", ImageFileFault::NotRecord, 2, SRecordFault::None},
        {"lower-case hex", kHeader + "S1040000aa51\r\n", ImageFileFault::NotRecord, 2, SRecordFault::None},
        {"not S", "X1040000AA51\r\n", ImageFileFault::NotRecord, 1, SRecordFault::None},
        {"odd digits", "S1040000AA5\r\n", ImageFileFault::NotRecord, 1, SRecordFault::None},
        {"empty line", kHeader + "\r\n" + kEnd, ImageFileFault::NotRecord, 2, SRecordFault::None},
        {"wrong count", kHeader + "S1050000AA51\r\n", ImageFileFault::BadRecord, 2, SRecordFault::CountMismatch},
        {"wrong checksum", kHeader + kVersion + "S1040000AA52\r\n", ImageFileFault::BadRecord, 3,
         SRecordFault::BadChecksum},
        {"no version record", kHeader + noVersion + kData + kEnd, ImageFileFault::NoVersion, 0, SRecordFault::None},
        {"unreadable version", kHeader + badVersion + kData + kEnd, ImageFileFault::BadVersion, 0, SRecordFault::None},
    };
    for (const Case& c : cases) {
        const ImageFileCheck check = Check(c.text);
        EXPECT_EQ(check.fault, c.fault) << c.name;
        EXPECT_EQ(check.line, c.line) << c.name;
        EXPECT_EQ(check.record, c.record) << c.name;
    }
}

TEST(FirmwareVersion, WellFormedVersionsAreThreeSmallNumbers) {
    for (const char* good : {"1.0.05", "0.1.0", "255.255.255", "10.20.30"})
        EXPECT_TRUE(IsWellFormedVersion(good)) << good;
    for (const char* bad : {"", "1.0", "1.0.5.", "1..0.5", "1.0.256", "1.0.0005", "1.0.5 ", "-1.0.5", "1.x.5", "a"})
        EXPECT_FALSE(IsWellFormedVersion(bad)) << bad;
}
