#include <gtest/gtest.h>

#include <string>

#include "startup/command_line.h"

namespace {
MacWriteRequest Read(const char* commandLine) {
    MacWriteRequest request;
    ReadMacOption(commandLine, request);
    return request;
}
}  // namespace

TEST(ReadMacOption, SplitsHostAndDigits) {
    auto r = Read("/mac:192.168.0.10:1a2b:");
    EXPECT_TRUE(r.mode);
    EXPECT_STREQ(r.host, "192.168.0.10");
    EXPECT_STREQ(r.digits, "1a2b");

    r = Read("x /mac:dev:00ff: y /mac:other:1111:");
    EXPECT_TRUE(r.mode);
    EXPECT_STREQ(r.host, "dev");
    EXPECT_STREQ(r.digits, "00ff");

    r = Read("/mac::00ff:");
    EXPECT_TRUE(r.mode);
    EXPECT_STREQ(r.host, "");
    EXPECT_STREQ(r.digits, "00ff");

    r = Read("/mac: host :zz 12:");
    EXPECT_STREQ(r.host, " host ");
    EXPECT_STREQ(r.digits, "zz 12");
}

TEST(ReadMacOption, OnlyTheExactLowerCaseOption) {
    EXPECT_FALSE(Read("/MAC:192.168.0.10:1a2b:").mode);
    EXPECT_FALSE(Read("").mode);
    EXPECT_FALSE(Read("/mac").mode);
    EXPECT_FALSE(Read(nullptr).mode);
}

TEST(ReadMacOption, FieldsEndAtTheEndOfTheCommandLine) {
    auto r = Read("/mac:dev:12ab");
    EXPECT_TRUE(r.mode);
    EXPECT_STREQ(r.host, "dev");
    EXPECT_STREQ(r.digits, "12ab");

    r = Read("/mac:dev");
    EXPECT_TRUE(r.mode);
    EXPECT_STREQ(r.host, "dev");
    EXPECT_STREQ(r.digits, "");

    r = Read("/mac:");
    EXPECT_TRUE(r.mode);
    EXPECT_STREQ(r.host, "");
}

TEST(ReadMacOption, KeepsAtMost127CharactersOfAField) {
    const std::string longHost(300, 'h');
    const std::string longDigits(200, 'd');
    const std::string line = "/mac:" + longHost + ":" + longDigits + ":";
    auto r = Read(line.c_str());
    EXPECT_EQ(std::string(r.host), std::string(127, 'h'));
    EXPECT_EQ(std::string(r.digits), std::string(127, 'd'));
}

TEST(ReadCommandLine, FillsTheGlobals) {
    ReadCommandLine("/mac:10.0.0.1:12ab:");
    EXPECT_TRUE(MacWriteMode);
    EXPECT_STREQ(MacWriteHost, "10.0.0.1");
    EXPECT_STREQ(MacWriteDigits, "12ab");
    EXPECT_FALSE(MaintenanceMode);
    ReadCommandLine("plain /maint");
    EXPECT_TRUE(MaintenanceMode);
    EXPECT_FALSE(MacWriteMode);
    EXPECT_STREQ(MacWriteHost, "");
}
