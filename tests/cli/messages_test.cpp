// The operator's language and the catalogue compiled from po/ja.po.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "cli/commands/confirm.h"
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
