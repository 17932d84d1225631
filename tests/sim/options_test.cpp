#include "sim/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ParseResult Parse(std::vector<const char*> args, SimOptions& o, std::string& error) {
    args.insert(args.begin(), "tqm530r-sim");
    return ParseOptions(static_cast<int>(args.size()), args.data(), o, error);
}

}  // namespace

TEST(SimOptions, PacingAndChattyValuesAndTheirLimits) {
    SimOptions o;
    std::string error;
    ASSERT_EQ(Parse({"--answer-delay", "1", "--chatty", "250", "--slow-check", "4000"}, o, error), ParseResult::Run);
    EXPECT_EQ(o.faults.answerDelayMs, 1);
    EXPECT_EQ(o.faults.chattyMs, 250);
    EXPECT_EQ(o.faults.slowCheckMs, 4000);
    EXPECT_EQ(SimOptions().faults.answerDelayMs, 0);
    EXPECT_EQ(SimOptions().faults.chattyMs, 0);

    // Chatter every 0 ms would never end: at least 1.
    for (auto bad : std::vector<std::vector<const char*>>{{"--chatty", "0"},
                                                          {"--answer-delay", "-1"},
                                                          {"--answer-delay", "60001"},
                                                          {"--slow-check", "1ms"},
                                                          {"--chatty"}}) {
        SimOptions fresh;
        EXPECT_EQ(Parse(bad, fresh, error), ParseResult::Error) << bad[0];
        EXPECT_EQ(error.rfind(bad[0], 0), 0u) << error;
    }
}

TEST(SimOptions, HelpNamesThePacingAndChattyOptions) {
    const std::string help = UsageText();
    for (const char* option : {"--answer-delay MS", "--chatty MS", "--slow-check MS", "--slow-flash MS"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST(SimOptions, EveryOptionKeepsItsNameAndMeaning) {
    SimOptions o;
    std::string error;
    ASSERT_EQ(Parse({"--port",
                     "0",
                     "--bind",
                     "127.0.0.1",
                     "--firmware-version",
                     "1.0.07",
                     "--state",
                     "s",
                     "--no-ssdp",
                     "--log",
                     "l",
                     "--log-times",
                     "--compare",
                     "c",
                     "--banner",
                     "--banner-with-prompt",
                     "--prompt-case",
                     "upper",
                     "--split-version",
                     "--silent",
                     "--close-after-version",
                     "--close-after-lines",
                     "3",
                     "--bad-check",
                     "--slow-flash",
                     "5",
                     "--one-complete",
                     "--reset-keeps-version",
                     "--reset-delay",
                     "7",
                     "--port",
                     "2323"},
                    o, error),
              ParseResult::Run)
        << error;
    EXPECT_EQ(o.port, 2323);  // the last of a repeated option
    EXPECT_EQ(o.bind, "127.0.0.1");
    EXPECT_EQ(o.version, "1.0.07");
    EXPECT_EQ(o.statePath, "s");
    EXPECT_FALSE(o.ssdp);
    EXPECT_EQ(o.logPath, "l");
    EXPECT_TRUE(o.logTimes);
    EXPECT_EQ(o.comparePath, "c");
    const ConsoleFaults& f = o.faults;
    EXPECT_TRUE(f.banner && f.bannerWithPrompt && f.splitVersion && f.silent && f.closeAfterVersion && f.badCheck &&
                f.oneComplete && f.resetKeepsVersion);
    EXPECT_EQ(f.promptCase, ConsoleFaults::PromptCase::Upper);
    EXPECT_EQ(f.closeAfterLines, 3);
    EXPECT_EQ(f.slowFlashMs, 5);
    EXPECT_EQ(f.resetDelayMs, 7);
    EXPECT_EQ(Parse({"-h"}, o, error), ParseResult::Help);
    EXPECT_EQ(Parse({"--help"}, o, error), ParseResult::Help);
    const SimOptions defaults;
    EXPECT_TRUE(defaults.ssdp);
    EXPECT_EQ(defaults.port, 23);
    EXPECT_EQ(defaults.bind, "0.0.0.0");
    EXPECT_EQ(defaults.faults.closeAfterLines, -1);
    EXPECT_EQ(defaults.faults.dieAfterResetMs, -1);
}

TEST(SimOptions, RefusalsNameTheOptionInOneLine) {
    for (auto bad : std::vector<std::vector<const char*>>{{"--port", "65536"},
                                                          {"--port", "x"},
                                                          {"--bind", "10.0.0"},
                                                          {"--prompt-case", "mixed"},
                                                          {"--close-after-lines", "-1"},
                                                          {"--die-after-reset", "-1"},
                                                          {"--die-after-reset", "nan"},
                                                          {"--die-after-reset", "3601"},
                                                          {"--version-after-reset"},
                                                          {"--unknown"},
                                                          {"stray"}}) {
        SimOptions o;
        std::string error;
        EXPECT_EQ(Parse(bad, o, error), ParseResult::Error) << bad[0];
        EXPECT_NE(error.find(bad[0]), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(SimOptions, FaultsAfterTheReset) {
    SimOptions o;
    std::string error;
    ASSERT_EQ(Parse({"--version-after-reset", "1.0.99", "--die-after-reset", "2.5"}, o, error), ParseResult::Run)
        << error;
    EXPECT_EQ(o.faults.versionAfterReset, "1.0.99");
    EXPECT_EQ(o.faults.dieAfterResetMs, 2500);
    ASSERT_EQ(Parse({"--die-after-reset", "0"}, o, error), ParseResult::Run) << error;
    EXPECT_EQ(o.faults.dieAfterResetMs, 0);
    const std::string help = UsageText();
    for (const char* option : {"--version-after-reset", "--die-after-reset", "--prompt-case", "--no-ssdp", "Faults"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}
