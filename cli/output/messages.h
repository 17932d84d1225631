#pragma once

#include <cstddef>
#include <string>

#include "cli/platform/ui_language.h"

// The texts a person reads, in the operator's language. The catalogue is
// po/ja.po, compiled (msgfmt) into the program at build time; the English
// text is its key. Machine output (--json, the metrics, the history, the
// trace) never goes through here: it is the same in every language.

// The language of every later Tr and TrText: a process-wide setting, set once
// in main before any text is made (as setlocale is). English until then.
void SetMessageLanguage(Language language);
Language MessageLanguage();

// english in the operator's language: its translation when the language is
// Japanese and the catalogue has it, else english itself. A printf format
// keeps its placeholders in the same order.
const char* Tr(const char* english) __attribute__((format_arg(1)));

// An already formatted English text (a device's failure reason, a parser's
// error) in the operator's language: its translation when the catalogue has
// the whole text, else that of the first format whose placeholders (%s %d %u
// %zu %lu %llu, and %%) match it, with its values filled in; else the text.
std::string TrText(const std::string& english);

// printf into a string, for a translated format whose text is not printed at once.
std::string Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A .mo catalogue read in place: its originals are sorted, so a lookup is a
// binary search. An unreadable one holds nothing.
class MessageCatalogue {
public:
    MessageCatalogue() = default;
    MessageCatalogue(const char* bytes, size_t size);
    // The translation of english, or null.
    const char* Find(const std::string& english) const;
    // The translation of english filled in from the first format it matches, as
    // TrText; false when no format matches.
    bool FillFromFormat(const std::string& english, std::string& translated) const;

private:
    struct Text {
        const char* text = nullptr;
        size_t size = 0;
    };
    Text Original(size_t index) const;
    Text Translation(size_t index) const;
    Text At(size_t tableOffset, size_t index) const;

    const unsigned char* bytes_ = nullptr;
    size_t size_ = 0;
    size_t count_ = 0;
    size_t originals_ = 0;
    size_t translations_ = 0;
    bool swapped_ = false;
};
