#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "firmware/srecord.h"
#include "tests/common/image_shape.h"

// Faults print as their number in the enum, not as a raw byte.
void PrintTo(SRecordFault fault, std::ostream* os) { *os << "SRecordFault " << static_cast<int>(fault); }

namespace {

SRecordFault Read(const std::string& text, SRecord* out = nullptr) {
    SRecord record;
    const SRecordFault fault = ReadSRecord(text.data(), text.size(), record);
    if (out) *out = record;
    return fault;
}

SRecordImage ReadImage(const std::string& text) {
    return ReadSRecordImage(text.data(), static_cast<uint32_t>(text.size()));
}

std::vector<std::pair<uint32_t, uint32_t>> Ranges(const SRecordImage& image) {
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    for (const AddressRange& r : image.ranges) ranges.emplace_back(r.first, r.last);
    return ranges;
}

}  // namespace

TEST(ReadSRecord, SoundRecordsOfEveryType) {
    struct Case {
        const char* text;
        char type;
        uint32_t address;
        unsigned dataSize;
        unsigned firstData;
    };
    const Case cases[] = {
        {"S00600004844521B", '0', 0x0000, 3, 'H'},
        {"S1051234AA55B5", '1', 0x1234, 2, 0xAA},
        {"S1051234aa55b5", '1', 0x1234, 2, 0xAA},  // lower case is read here
        {"S103FFFFFE", '1', 0xFFFF, 0, 0},
        {"S207020000010203F0", '2', 0x020000, 3, 1},
        {"S30712345678DEAD59", '3', 0x12345678, 2, 0xDE},
        {"S306FFFFFFFF01FC", '3', 0xFFFFFFFF, 1, 1},  // the very last byte
        {"S5030003F9", '5', 0x0003, 0, 0},
        {"S705000204886C", '7', 0x00020488, 0, 0},
        {"S8040204886D", '8', 0x020488, 0, 0},
        {"S9030000FC", '9', 0x0000, 0, 0},
    };
    for (const Case& c : cases) {
        SRecord r;
        ASSERT_EQ(Read(c.text, &r), SRecordFault::None) << c.text;
        EXPECT_EQ(r.type, c.type) << c.text;
        EXPECT_EQ(r.address, c.address) << c.text;
        EXPECT_EQ(r.dataSize, c.dataSize) << c.text;
        EXPECT_EQ(r.count, (std::strlen(c.text) - 4) / 2) << c.text;
        if (c.dataSize > 0) {
            EXPECT_EQ(r.data[0], c.firstData) << c.text;
        }
    }
}

TEST(ReadSRecord, LongestRecordFillsTheData) {
    SRecord r;
    ASSERT_EQ(Read("S1FF" + std::string(2 * 254, '0') + "00", &r), SRecordFault::None);
    EXPECT_EQ(r.count, 255u);
    EXPECT_EQ(r.dataSize, kSRecordMaxData);
    EXPECT_EQ(r.checksum, 0u);
}

TEST(ReadSRecord, EachFaultNamed) {
    const std::pair<std::string, SRecordFault> cases[] = {
        {"", SRecordFault::BadStart},
        {"S", SRecordFault::BadStart},
        {"s1051234AA55B5", SRecordFault::BadStart},
        {"S4051234AA55B5", SRecordFault::BadStart},
        {"SA051234AA55B5", SRecordFault::BadStart},
        {" S1051234AA55B5", SRecordFault::BadStart},
        {"S1051234AA55G5", SRecordFault::NotHex},
        {"S1051234AA55B5 ", SRecordFault::NotHex},
        {"S1051234AA55B5\r", SRecordFault::NotHex},  // the caller removes the line end
        {std::string("S1051234\0A55B5", 14), SRecordFault::NotHex},
        {"S1051234AA55B", SRecordFault::OddLength},
        {"S1", SRecordFault::TooShort},
        {"S1021234", SRecordFault::TooShort},      // no checksum after the address
        {"S30412345678", SRecordFault::TooShort},  // S3 needs four address bytes
        {"S1061234AA55B5", SRecordFault::CountMismatch},
        {"S1041234AA55B5", SRecordFault::CountMismatch},
        {"S101", SRecordFault::CountMismatch},
        {"S100", SRecordFault::TooShort},
        {"S1051234AA55B4", SRecordFault::BadChecksum},
        {"S1051234AA55B6", SRecordFault::BadChecksum},
        {"S9030000FD", SRecordFault::BadChecksum},
        {"S307FFFFFFFF0102F9", SRecordFault::PastAddressSpace},
    };
    for (const auto& [text, fault] : cases) EXPECT_EQ(Read(text), fault) << '"' << text << '"';
}

TEST(ImageLines, SplitAfterEachLineFeedAndTheRestIsALine) {
    const std::string text = "S1\r\nS2\n\nS3";
    const char* end = text.data() + text.size();
    EXPECT_EQ(ImageLineLength(text.data(), end), 4u);
    EXPECT_EQ(ImageLineLength(text.data() + 4, end), 3u);
    EXPECT_EQ(ImageLineLength(text.data() + 7, end), 1u);
    EXPECT_EQ(ImageLineLength(text.data() + 8, end), 2u);
    EXPECT_EQ(RecordTextLength("S1\r\n", 4), 2u);
    EXPECT_EQ(RecordTextLength("S1\r\r\n", 5), 2u);
    EXPECT_EQ(RecordTextLength("S1\n\r", 4), 2u);
    EXPECT_EQ(RecordTextLength("\r\n", 2), 0u);
    EXPECT_EQ(RecordTextLength("S1", 2), 2u);
}

TEST(ReadSRecordImage, RangesJoinOnlyWhereConsecutiveRecordsTouch) {
    const SRecordImage image = ReadImage(
        "S10501000102F6\r\n"    // 0100..0101
        "S10501020304F0\r\n"    // 0102..0103 joins
        "S104010505F0\r\n"      // 0105 after a gap
        "S1030106F5\r\n"        // no data: no range
        "S104010606EE\r\n"      // 0106 joins
        "S104000009F2\r\n"      // 0000 lies before, a range of its own
        "S306FFFFFFFF01FC\r\n"  // the last address
        "S104000009F2\r\n"      // does not join across the top of the address space
        "S1051234AA55B4\r\n");  // a bad record adds no range
    EXPECT_EQ(image.badRecords, 1u);
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {0x0100, 0x0103}, {0x0105, 0x0106}, {0x0000, 0x0000}, {0xFFFFFFFF, 0xFFFFFFFF}, {0x0000, 0x0000}};
    EXPECT_EQ(Ranges(image), expected);
}

TEST(ReadSRecordImage, LinesCountedAsSentAndTheFirstFaultKept) {
    const SRecordImage image = ReadImage(
        "S00600004844521B\r\n"
        "\r\n"
        "S1051234AA55B4\n"
        "\n"
        "S1041234AA55B5\r\n"
        "S9030000FC");
    EXPECT_EQ(image.lines, 6u);
    EXPECT_EQ(image.records, 4u);
    EXPECT_EQ(image.badRecords, 2u);
    EXPECT_EQ(image.firstBad.line, 3u);
    EXPECT_EQ(image.firstBad.fault, SRecordFault::BadChecksum);
    EXPECT_TRUE(image.hasStart);
    EXPECT_EQ(image.start, 0u);
    EXPECT_FALSE(image.hasVersion);
}

TEST(ReadSRecordImage, StartIsTheLastSoundStartRecord) {
    SRecordImage image = ReadImage("S9030000FC\r\nS705000204886C\r\nS804030000F7\r\n");
    EXPECT_TRUE(image.hasStart);
    EXPECT_EQ(image.start, 0x020488u);
    image = ReadImage("S1051234AA55B5\r\nS5030003F9\r\n");
    EXPECT_FALSE(image.hasStart);
}

TEST(ReadSRecordImage, VersionByTheMarkerRule) {
    SRecordImage image = ReadImage("S0030000FC\r\nS20F0202007665722E312E302E3035004F\r\n");
    EXPECT_EQ(image.badRecords, 0u);
    ASSERT_TRUE(image.hasVersion);
    EXPECT_STREQ(image.version, "1.0.05");
    // A sound record, but the rule looks for upper-case digits only.
    image = ReadImage("S20f0202007665722e312e302e3035004f\r\n");
    EXPECT_EQ(image.badRecords, 0u);
    EXPECT_FALSE(image.hasVersion);
}

TEST(ReadSRecordImage, NothingToRead) {
    for (const SRecordImage& image : {ReadSRecordImage(nullptr, 0), ReadImage(""), ReadImage("\r\n\n")}) {
        EXPECT_EQ(image.records, 0u);
        EXPECT_EQ(image.badRecords, 0u);
        EXPECT_TRUE(image.ranges.empty());
        EXPECT_FALSE(image.hasStart);
        EXPECT_FALSE(image.hasVersion);
    }
    EXPECT_EQ(ReadImage("\r\n\n").lines, 2u);
}

TEST(ReadSRecordImage, CarriedImageReadsWhole) {
    FirmwareImageView carried;
    ASSERT_TRUE(LoadFirmwareImage(nullptr, carried));
    const SRecordImage image = ReadSRecordImage(carried.text, carried.size);
    EXPECT_EQ(image.lines, kImageLines);
    EXPECT_EQ(image.records, kImageLines);
    EXPECT_EQ(image.badRecords, 0u) << "line " << image.firstBad.line;
    ASSERT_TRUE(image.hasVersion);
    EXPECT_STREQ(image.version, "1.0.05");
    EXPECT_TRUE(image.hasStart);
    EXPECT_EQ(image.start, 0x020488u);
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {0x020000, 0x020007}, {0x020200, 0x02020A}, {0x020400, 0x020639}, {0x02063C, 0x04CFDB}};
    EXPECT_EQ(Ranges(image), expected);
}
