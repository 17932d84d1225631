// The operator's language and the catalogue compiled from po/ja.po.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "cli/commands/aligned_text.h"
#include "cli/commands/confirm.h"
#include "cli/commands/help_formatter.h"
#include "cli/output/messages.h"
#include "cli/platform/ui_language.h"

namespace {

using Environment = std::map<std::string, std::string>;

Language LanguageOf(const Environment& environment) {
    return OperatorLanguage([&](const char* name) -> const char* {
        const auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    });
}

// Every Tr/TrText case runs in the language it names and leaves English behind.
struct LanguageScope {
    explicit LanguageScope(Language language) { SetMessageLanguage(language); }
    ~LanguageScope() { SetMessageLanguage(Language::English); }
};

}  // namespace

TEST(MessagesTest, TheLanguageFollowsTheLocaleVariablesAndTheOverride) {
    const Language en = Language::English, ja = Language::Japanese;
    const struct {
        Environment environment;
        Language expected;
    } cases[] = {
        {{}, en},
        {{{"LANG", "ja_JP.UTF-8"}}, ja},
        {{{"LANG", "ja"}}, ja},
        {{{"LANG", "en_US.UTF-8"}}, en},
        {{{"LANG", "jam"}}, ja},  // only the first two letters name the language
        {{{"LC_ALL", "C"}, {"LANG", "ja_JP.UTF-8"}}, en},
        {{{"LC_ALL", ""}, {"LANG", "ja_JP.UTF-8"}}, ja},  // an empty variable is not set
        {{{"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "en_US.UTF-8"}}, ja},
        {{{"LC_ALL", "en_US.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}, en},
        {{{"LANGUAGE", "ja:en"}, {"LANG", "en_US.UTF-8"}}, ja},
        {{{"LANGUAGE", "en:ja"}, {"LANG", "ja_JP.UTF-8"}}, en},
        {{{"LANGUAGE", "ja"}, {"LANG", "C"}}, en},  // C and POSIX ignore LANGUAGE, as gettext does
        {{{"LANGUAGE", "ja"}, {"LC_ALL", "POSIX"}}, en},
        {{{"LANGUAGE", "ja"}}, en},
        {{{"TQM530R_LANG", "ja"}}, ja},
        {{{"TQM530R_LANG", "ja"}, {"LC_ALL", "C"}}, ja},
        {{{"TQM530R_LANG", "en"}, {"LANG", "ja_JP.UTF-8"}}, en},
        {{{"TQM530R_LANG", "fr"}, {"LANG", "ja_JP.UTF-8"}}, ja},  // not en|ja: the platform decides
        {{{"TQM530R_LANG", "JA"}}, en},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& [name, value] : c.environment) shown += name + "=" + value + " ";
        EXPECT_EQ(LanguageOf(c.environment), c.expected) << shown;
    }
}

TEST(MessagesTest, TrAndTrTextUseTheCompiledCatalogueOnlyInJapanese) {
    const struct {
        const char* english;
        const char* japanese;  // what Japanese mode shows; English mode shows english
    } cases[] = {
        // exact
        {"A subcommand is required", "サブコマンドを指定してください"},
        // formatted: the values go into the translation in order
        {"The following argument was not expected: --bogus", "余分な引数です: --bogus"},
        {"host is required", "host を指定してください"},
        {"--timeout: 1 required FLOAT missing", "--timeout: 値がありません（1 個の FLOAT が必要です）"},
        {"Expected exactly 1 arguments to --jobs, got 0", "引数は 1 個必要です（--jobs、指定は 0 個）"},
        // nothing matches: as it is
        {"something else entirely", "something else entirely"},
        {"", ""},
    };
    for (const auto& c : cases) {
        {
            LanguageScope japanese(Language::Japanese);
            EXPECT_EQ(TrText(c.english), c.japanese) << c.english;
        }
        EXPECT_EQ(TrText(c.english), c.english);
    }
    LanguageScope japanese(Language::Japanese);
    const char* english = "a text the catalogue does not have";
    EXPECT_EQ(Tr(english), english);  // the same pointer
}

// The prompt's answers: y and yes in either language, はい only in Japanese, anything else no.
TEST(MessagesTest, ThePromptTakesYesInTheOperatorsLanguage) {
    const struct {
        const char* answer;
        bool english, japanese;
    } cases[] = {
        {"y", true, true},   {"Yes", true, true},   {"YES", true, true},   {"はい", false, true},
        {"n", false, false}, {"no", false, false},  {"いいえ", false, false}, {"", false, false},
        {" y", false, false}, {"yess", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsYes(c.answer), c.english) << c.answer;
        LanguageScope japanese(Language::Japanese);
        EXPECT_EQ(IsYes(c.answer), c.japanese) << c.answer;
    }
}

// A damaged catalogue holds nothing; it is never read outside its bytes.
TEST(MessagesTest, ADamagedCatalogueFindsNothing) {
    const std::string broken[] = {
        "",
        std::string("\xde\x12\x04\x95", 4),
        std::string("\xde\x12\x04\x95\0\0\0\0\xff\xff\xff\x0f\x1c\0\0\0\x1c\0\0\0\0\0\0\0\0\0\0\0", 28),
        std::string("\xde\x12\x04\x95\0\0\0\0\x01\0\0\0\x1c\0\0\0\x24\0\0\0\0\0\0\0\0\0\0\0"
                    "\x05\0\0\0\xf0\0\0\0\x05\0\0\0\x2c\0\0\0hello\0", 50),
    };
    for (const std::string& bytes : broken) {
        const MessageCatalogue catalogue(bytes.data(), bytes.size());
        EXPECT_EQ(catalogue.Find("hello"), nullptr);
        std::string translated;
        EXPECT_FALSE(catalogue.FillFromFormat("hello", translated));
    }
}

// detect's and plan's tables and the labelled lines of image and version, with
// Japanese headings: every column starts at the same terminal column in each row.
TEST(MessagesTest, TablesAlignByDisplayWidth) {
    const struct {
        std::vector<std::vector<std::string>> rows;
        std::vector<size_t> least;
        std::string expected;
    } cases[] = {
        {{{"名前", "IP", "MAC", "状態"}, {"棚A", "10.0.0.2", "02-4C-1A-03-00-45", "検出"}},
         {4, 15, 17},
         "名前  IP               MAC                状態\n"
         "棚A   10.0.0.2         02-4C-1A-03-00-45  検出\n"},
        {{{"装置", "動作", "理由"}, {"10.0.0.2", "アップデート", ""}},
         {6, 7},
         "装置      動作          理由\n"
         "10.0.0.2  アップデート  \n"},
        {{{"NAME", "IP", "STATE"}, {"-", "10.0.0.3", "found"}},
         {4, 15},
         "NAME  IP               STATE\n"
         "-     10.0.0.3         found\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(AlignedTable(c.rows, c.least), c.expected);
    EXPECT_EQ(LabelledLines({{"イメージ", "carried"}, {"範囲", "020000..020007\n020200..02020A"}, {"", "x"}}, 1),
              "イメージ carried\n"
              "範囲     020000..020007\n"
              "         020200..02020A\n"
              "         x\n");
    EXPECT_EQ(HelpEntry("--all 併用不可: --host", "search", 30),
              "  --all 併用不可: --host      search\n");
}
