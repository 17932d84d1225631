#include "sim/console_session.h"

#include <gtest/gtest.h>

#include "tests/sim/test_records.h"

namespace {

using Kind = ConsoleAction::Kind;
using Replies = std::vector<std::string>;

Replies Sends(const std::vector<ConsoleAction>& actions) {
    Replies out;
    for (const ConsoleAction& a : actions)
        if (a.kind == Kind::Send) out.push_back(a.text);
    return out;
}

bool Has(const std::vector<ConsoleAction>& actions, Kind kind) {
    for (const ConsoleAction& a : actions)
        if (a.kind == kind) return true;
    return false;
}

// A device and one connection to it, logged in as the updater does unless told not to.
struct Console {
    explicit Console(ConsoleFaults faults = {}, bool login = true) : session(device, faults) {
        greeting = Sends(session.Connected());
        if (login) session.Feed("\r\n\r\necho 0\r\n");
    }
    Replies Say(const std::string& text) { return Sends(last = session.Feed(text)); }
    void Upload(const std::vector<std::string>& lines) {
        Say("initbuf\r\n");
        for (const std::string& line : lines) Say(line);
    }

    DeviceState device;
    ConsoleSession session;
    Replies greeting;
    std::vector<ConsoleAction> last;
};

}  // namespace

TEST(ConsoleLogin, PromptsInSendsOfTheirOwnWithBannerAndCaseFaults) {
    Console plain({}, false);
    EXPECT_EQ(plain.greeting, Replies{"login: "});
    EXPECT_EQ(plain.Say("\r\n"), Replies{"Password: "});
    EXPECT_EQ(plain.Say("\r\necho 0\r\n"), Replies{});
    EXPECT_EQ(plain.Say("version\r\n"), Replies{"ver.1.0.01\r\n"});

    ConsoleFaults f;
    f.banner = true;
    Console banner(f, false);
    const Replies alone = banner.greeting;
    ASSERT_EQ(alone.size(), 2u);
    EXPECT_EQ(alone[1], "login: ");
    EXPECT_GT(banner.session.Connected().back().delayMs, 0);  // a receive of its own
    f = {};
    f.bannerWithPrompt = true;
    EXPECT_EQ(Console(f, false).greeting, Replies{alone[0] + "login: "});

    f = {};
    f.promptCase = ConsoleFaults::PromptCase::Upper;
    Console upper(f, false);
    EXPECT_EQ(upper.greeting, Replies{"LOGIN: "});
    EXPECT_EQ(upper.Say("\r\n"), Replies{"PASSWORD: "});
}

TEST(ConsoleLines, ArbitraryChunksAndZeroBytesMakeTheSameLines) {
    Console c({}, false);
    EXPECT_EQ(c.Say("\r"), Replies{});
    EXPECT_EQ(c.Say("\n\r"), Replies{"Password: "});
    EXPECT_EQ(c.Say("\necho 0\r\nver"), Replies{});
    EXPECT_EQ(c.Say(std::string("sion\r\n\0\0version\r\n", 17)), (Replies{"ver.1.0.01\r\n", "ver.1.0.01\r\n"}));
    const std::string line = S2(0x020000, {1, 2, 3});
    EXPECT_EQ(c.Say(line.substr(0, 5)), Replies{});
    EXPECT_EQ(c.Say(line.substr(5)), Replies{"ok\r\n"});
}

TEST(ConsoleImage, LinesCountedAndCheckAnswersSumOrErrorWithBadCheck) {
    Console c;
    c.Upload({S2(0x020000, {0x12, 0x34}), S2(0x020002, {0xFF}), S2(0x020003, {0x01}, 1)});
    EXPECT_EQ(Sends(c.last), Replies{"ok\r\n"});  // a bad line is answered too
    EXPECT_EQ(c.device.linesReceived, 3u);
    EXPECT_EQ(c.device.badLines, 1u);
    EXPECT_EQ(c.Say("check\r\n"), Replies{"sum  :0145\r\n"});

    ConsoleFaults bad;
    bad.badCheck = true;
    Console b(bad);
    b.Upload({S2(0x020000, {0x12}), S2(0x020001, {0x34}, 1)});
    EXPECT_EQ(b.Say("check\r\n"), Replies{"error\r\n"});
    b.Upload({S2(0x020000, {0x12})});  // a fresh buffer forgets the bad line
    EXPECT_EQ(b.session.BufferedLines(), 1u);
    EXPECT_EQ(b.Say("check\r\n"), Replies{"sum  :0012\r\n"});
}

TEST(ConsoleFlash, TwoCompletesThenResetRunsTheFlashedVersion) {
    Console c;
    const auto image = SmallImage("1.0.05");
    c.Upload(image);
    EXPECT_EQ(c.Say("flash\r\n"), (Replies{"erase complete\r\n", "write complete\r\n"}));
    EXPECT_GT(c.last.back().delayMs, 0);  // the write completes a while after the erase
    EXPECT_TRUE(Has(c.last, Kind::Save));
    EXPECT_EQ(c.device.flash, image);
    EXPECT_EQ(c.device.version, "1.0.01");  // only a reset runs the new image
    c.Say("reset\r\n");
    EXPECT_EQ(c.Say("version\r\n"), Replies{"ver.1.0.05\r\n"});
    EXPECT_TRUE(FlashMatches(c.device, image[0] + image[1] + image[2] + image[3] + image[4]));
    EXPECT_FALSE(FlashMatches(c.device, image[0] + image[1]));

    // An image without version record leaves the version as it is.
    c.Upload({S2(0x020000, {1, 2})});
    c.Say("flash\r\nreset\r\n");
    EXPECT_EQ(c.Say("version\r\n"), Replies{"ver.1.0.05\r\n"});
}

TEST(ConsoleFaultsTest, ResetKeepsVersionRestartsIntoTheOldVersion) {
    ConsoleFaults f;
    f.resetKeepsVersion = true;
    Console c(f);
    c.Upload(SmallImage("1.0.05"));
    c.Say("flash\r\nreset\r\n");
    EXPECT_EQ(c.device.resets, 1u);
    EXPECT_EQ(c.Say("version\r\n"), Replies{"ver.1.0.01\r\n"});
}

TEST(ConsoleFaultsTest, OneCompleteLeavesTheFlashErasedAndTheDeviceMute) {
    ConsoleFaults one;
    one.oneComplete = true;
    Console c(one);
    c.Upload(SmallImage("1.0.05"));
    EXPECT_EQ(c.Say("flash\r\n"), Replies{"erase complete\r\n"});
    EXPECT_TRUE(c.device.flash.empty());
    EXPECT_EQ(c.Say("version\r\nreset\r\ncheck\r\n"), Replies{});
    EXPECT_EQ(c.device.version, "1.0.01");
}

TEST(ConsoleFaultsTest, SplitVersionSilentAndTheClosingFaults) {
    ConsoleFaults f;
    f.splitVersion = true;
    Console split(f);
    EXPECT_EQ(split.Say("version\r\n"), (Replies{"ve", "r.1.0.01\r\n"}));
    EXPECT_EQ(split.last.back().delayMs, 300);

    f = {};
    f.silent = true;
    Console silent(f, false);
    EXPECT_TRUE(silent.greeting.empty());
    EXPECT_EQ(silent.Say("\r\n\r\necho 0\r\nversion\r\n" + S2(0, {1})), Replies{});

    f = {};
    f.closeAfterLines = 2;
    Console close(f);
    EXPECT_EQ(close.Say(S2(0, {1})), Replies{"ok\r\n"});
    EXPECT_EQ(close.Say(S2(1, {2}) + S2(2, {3})), Replies{});  // the second line is not answered
    EXPECT_TRUE(Has(close.last, Kind::Close));
    EXPECT_EQ(close.device.linesReceived, 2u);  // nothing after the close is read

    f = {};
    f.closeAfterVersion = true;
    Console early(f);
    EXPECT_EQ(early.Say("version\r\ndebug 1\r\nera 20000\r\n"), Replies{"ver.1.0.01\r\n"});
    EXPECT_TRUE(Has(early.last, Kind::Close));
    EXPECT_TRUE(early.device.erasedBlocks.empty());  // lines behind the version are not taken
}

TEST(ConsoleMaintenance, EraseAndMacFrameOnlyInDebugMode) {
    Console c;
    c.Upload({S2(0x020000, {1}), S2(0x02FFFF, {2}), S2(0x030000, {3}), Record('8', 0x020000, 3, {})});
    c.Say("flash\r\n");
    const std::string frame = "fw 304 12ab\r\n";
    const std::string padded = frame + std::string(70 - frame.size(), '\0');

    c.Say("era 20000\r\n" + padded);  // not in debug mode: nothing happens
    EXPECT_EQ(c.device.flash.size(), 4u);
    EXPECT_EQ(c.device.macTail, "");

    c.Say("debug 1\r\nera 20000\r\n");
    EXPECT_TRUE(Has(c.last, Kind::Save));
    EXPECT_EQ(c.device.flash, (std::vector<std::string>{S2(0x030000, {3}), Record('8', 0x020000, 3, {})}));
    c.Say("era 10000\r\nera 25000\r\nera 100000\r\nera F0000\r\n");  // only F0000 is one of the 14 blocks
    EXPECT_EQ(c.device.erasedBlocks, (std::set<uint32_t>{0x20000, 0xF0000}));

    c.Say(padded.substr(0, 30));
    EXPECT_EQ(c.Say(padded.substr(30) + "version\r\n"), Replies{"ver.1.0.01\r\n"});  // padding is no line
    EXPECT_EQ(c.device.macTail, "12AB");
    c.Say("fw 304 12G4\r\nfw 304 123\r\n");
    EXPECT_EQ(c.device.macTail, "12AB");
}

TEST(ConsolePacing, AnswerDelayOnEveryImageLineOnly) {
    ConsoleFaults f;
    f.answerDelayMs = 1;
    Console c(f);
    c.Upload({S2(0x020000, {0x12}), S2(0x020001, {0x34}, 1)});
    ASSERT_EQ(Sends(c.last), Replies{"ok\r\n"});
    EXPECT_EQ(c.last.back().delayMs, 1);  // the bad line too: the device answers every line
    c.Say("version\r\n");
    EXPECT_EQ(c.last.back().delayMs, 0);
    c.Say("check\r\n");
    EXPECT_EQ(c.last.back().delayMs, 0);
    EXPECT_EQ(c.last.back().chatterMs, 0);
}

TEST(ConsolePacing, ChattyDeviceTalksWhileItChecksAndFlashesOnly) {
    ConsoleFaults f;
    f.chattyMs = 250;
    f.slowCheckMs = 5000;
    f.slowFlashMs = 3000;
    Console c(f);
    c.Upload(SmallImage("1.0.05"));
    for (const ConsoleAction& a : c.last) EXPECT_EQ(a.chatterMs, 0);  // the line answers stay plain
    EXPECT_EQ(c.Say("check\r\n").at(0).rfind("sum  :", 0), 0u);
    EXPECT_EQ(c.last.back().delayMs, 5000);
    EXPECT_EQ(c.last.back().chatterMs, 250);
    EXPECT_EQ(c.last.back().chatter, "working...\r\n");
    EXPECT_EQ(c.Say("flash\r\n"), (Replies{"erase complete\r\n", "write complete\r\n"}));
    for (const ConsoleAction& a : c.last) {
        if (a.kind == Kind::Send) {
            EXPECT_EQ(std::make_pair(a.delayMs, a.chatterMs), std::make_pair(3000, 250));
        }
    }
    c.Say("version\r\n");
    EXPECT_EQ(c.last.back().chatterMs, 0);

    // A bad check's "error" is worked on alike.
    f.badCheck = true;
    Console bad(f);
    bad.Upload({S2(0x020000, {0x12}, 1)});
    EXPECT_EQ(bad.Say("check\r\n"), Replies{"error\r\n"});
    EXPECT_EQ(bad.last.back().chatterMs, 250);
}

TEST(ConsoleFaultsTest, VersionAfterResetRunsTheGivenVersionWhateverWasFlashed) {
    ConsoleFaults f;
    f.versionAfterReset = "1.0.99";
    Console c(f);
    c.Upload(SmallImage("1.0.05"));
    c.Say("flash\r\n");
    EXPECT_EQ(c.Say("version\r\n"), Replies{"ver.1.0.01\r\n"});  // before the reset: the old one
    c.Say("reset\r\n");
    EXPECT_TRUE(Has(c.last, Kind::Save));
    EXPECT_EQ(c.Say("version\r\n"), Replies{"ver.1.0.99\r\n"});
    EXPECT_EQ(c.device.flash, SmallImage("1.0.05"));
}
