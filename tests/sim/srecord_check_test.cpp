#include "sim/srecord_check.h"

#include <gtest/gtest.h>

#include "tests/sim/test_records.h"

TEST(SrecordCheck, AcceptsGoodRecordsAndRejectsBadOrMalformedOnes) {
    const std::string carried = "S20F0202007665722E312E302E3035004F";  // a line of the carried image
    EXPECT_TRUE(SrecordChecksumOk(carried + "\r\n"));
    EXPECT_TRUE(SrecordChecksumOk(carried));
    EXPECT_TRUE(SrecordChecksumOk(Record('9', 0, 2, {})));
    const auto r = ParseSrecord(Record('3', 0x12345678, 4, {0xAA, 0x55}));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->address, 0x12345678u);
    EXPECT_EQ(r->data, (std::vector<uint8_t>{0xAA, 0x55}));

    EXPECT_FALSE(SrecordChecksumOk("S20F0202007665722E312E302E3035004E"));  // checksum off by one
    EXPECT_FALSE(SrecordChecksumOk(S2(0x020000, {1, 2}, -1)));
    EXPECT_FALSE(SrecordChecksumOk(carried.substr(0, 33)));                 // odd length
    EXPECT_FALSE(SrecordChecksumOk("S20F0202007665722E312E302E30350G4F"));  // not hex
    EXPECT_FALSE(SrecordChecksumOk("S2100202007665722E312E302E3035004E"));  // count too big
    EXPECT_FALSE(SrecordChecksumOk("S40F0202007665722E312E302E3035004F"));  // no such type
    EXPECT_FALSE(SrecordChecksumOk("S20200FD"));                            // count smaller than its address
    EXPECT_FALSE(SrecordChecksumOk("S2"));
}

TEST(SrecordCheck, ImageVersionComesFromTheRecordAt020200) {
    EXPECT_EQ(ImageVersion(SmallImage("1.0.07")), "1.0.07");
    // Elsewhere, without its zero byte, without "ver." or with a bad checksum it is no version.
    EXPECT_EQ(ImageVersion({S2(0x020300, VersionData("1.0.07"))}), "");
    EXPECT_EQ(ImageVersion({S2(0x020200, {'v', 'e', 'r', '.', '1', '.', '0'})}), "");
    EXPECT_EQ(ImageVersion({S2(0x020200, {'x', 'e', 'r', '.', '1', 0})}), "");
    EXPECT_EQ(ImageVersion({S2(0x020200, VersionData("1.0.07"), 1)}), "");
}

TEST(SrecordCheck, ImageSumAddsDataBytesOfGoodDataRecords) {
    EXPECT_EQ(ImageSum({S2(0x020000, {0x01, 0x02}), Record('1', 0, 2, {0x10}), Record('3', 0, 4, {0x20})}), 0x33);
    EXPECT_EQ(ImageSum({Record('0', 0, 2, {0x55}), S2(0, {0x40}, 1), Record('8', 0, 3, {})}), 0);
    EXPECT_EQ(ImageSum(std::vector<std::string>(300, S2(0, {0xFF}))), (300 * 0xFF) & 0xFFFF);  // wraps at 16 bits
}
