#include "cli/output/messages.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <vector>

// The catalogue msgfmt wrote, carried as read-only data (messages_catalogue.S.in).
extern "C" const char tqm530r_messages_begin[] __asm__("tqm530r_messages_begin");
extern "C" const char tqm530r_messages_end[] __asm__("tqm530r_messages_end");

namespace {

std::atomic<Language> chosenLanguage{Language::English};

const MessageCatalogue& Catalogue() {
    static const MessageCatalogue catalogue(tqm530r_messages_begin,
                                            static_cast<size_t>(tqm530r_messages_end - tqm530r_messages_begin));
    return catalogue;
}

constexpr uint32_t kMagic = 0x950412de;
constexpr uint32_t kMagicSwapped = 0xde120495;

uint32_t Word(const unsigned char* at, bool swapped) {
    const uint32_t little = at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
    const uint32_t big = at[3] | at[2] << 8 | at[1] << 16 | static_cast<uint32_t>(at[0]) << 24;
    return swapped ? big : little;
}

int Compare(const std::string& key, const char* text, size_t size) {
    const int common = std::memcmp(key.data(), text, std::min(key.size(), size));
    if (common != 0) return common;
    return key.size() < size ? -1 : key.size() > size ? 1 : 0;
}

// One placeholder of a format: a text (%s) or a number (%d, %u and their
// size letters). Anything else makes the format unusable for matching.
enum class Slot { Text, Signed, Unsigned, Percent, Other };

// The placeholder at format[at] ('%'), and where the text goes on after it.
Slot SlotAt(const std::string& format, size_t at, size_t& next) {
    size_t i = at + 1;
    if (i < format.size() && format[i] == '%') {
        next = i + 1;
        return Slot::Percent;
    }
    const size_t modifier = format.compare(i, 2, "ll") == 0 ? 2 : (i < format.size() && (format[i] == 'l' || format[i] == 'z')) ? 1 : 0;
    i += modifier;
    if (i >= format.size()) return Slot::Other;
    next = i + 1;
    if (format[i] == 'u') return Slot::Unsigned;
    if (format[i] == 'd') return Slot::Signed;
    if (format[i] == 's' && modifier == 0) return Slot::Text;
    return Slot::Other;
}

bool HasPlaceholder(const std::string& format) { return format.find('%') != std::string::npos; }

size_t DigitsAt(const std::string& text, size_t at) {
    size_t end = at;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    return end - at;
}

// Whether text from t on is format from f on, each placeholder's value appended to values.
bool Matches(const std::string& format, size_t f, const std::string& text, size_t t, std::vector<std::string>& values) {
    while (f < format.size() && format[f] != '%') {
        if (t >= text.size() || text[t] != format[f]) return false;
        ++f, ++t;
    }
    if (f == format.size()) return t == text.size();
    size_t next = 0;
    const Slot slot = SlotAt(format, f, next);
    if (slot == Slot::Other) return false;
    if (slot == Slot::Percent) return t < text.size() && text[t] == '%' && Matches(format, next, text, t + 1, values);
    if (slot != Slot::Text) {
        const size_t sign = slot == Slot::Signed && t < text.size() && text[t] == '-' ? 1 : 0;
        const size_t digits = DigitsAt(text, t + sign);
        if (digits == 0) return false;
        values.push_back(text.substr(t, sign + digits));
        if (Matches(format, next, text, t + sign + digits, values)) return true;
        values.pop_back();
        return false;
    }
    for (size_t end = t; end <= text.size(); ++end) {
        values.push_back(text.substr(t, end - t));
        if (Matches(format, next, text, end, values)) return true;
        values.pop_back();
    }
    return false;
}

// format with its placeholders replaced by values, in order; false when they do not fit.
bool Fill(const std::string& format, const std::vector<std::string>& values, std::string& filled) {
    filled.clear();
    size_t used = 0;
    for (size_t i = 0; i < format.size();) {
        if (format[i] != '%') {
            filled += format[i++];
            continue;
        }
        size_t next = 0;
        const Slot slot = SlotAt(format, i, next);
        if (slot == Slot::Other) return false;
        if (slot == Slot::Percent) filled += '%';
        else if (used == values.size()) return false;
        else filled += values[used++];
        i = next;
    }
    return used == values.size();
}

}  // namespace

MessageCatalogue::MessageCatalogue(const char* bytes, size_t size) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    if (!data || size < 28) return;
    const uint32_t magic = Word(data, false);
    if (magic != kMagic && magic != kMagicSwapped) return;
    swapped_ = magic == kMagicSwapped;
    bytes_ = data;
    size_ = size;
    const size_t count = Word(data + 8, swapped_);
    originals_ = Word(data + 12, swapped_);
    translations_ = Word(data + 16, swapped_);
    const size_t room = size / 8;
    if (originals_ > size || translations_ > size || count > room || count * 8 > size - originals_ ||
        count * 8 > size - translations_)
        return;
    count_ = count;
    for (size_t i = 0; i < count; ++i) {
        if (!Original(i).text || !Translation(i).text) {
            count_ = 0;
            return;
        }
    }
}

MessageCatalogue::Text MessageCatalogue::At(size_t tableOffset, size_t index) const {
    const unsigned char* entry = bytes_ + tableOffset + index * 8;
    const size_t length = Word(entry, swapped_);
    const size_t offset = Word(entry + 4, swapped_);
    if (offset > size_ || length >= size_ - offset || bytes_[offset + length] != 0) return {};
    return {reinterpret_cast<const char*>(bytes_ + offset), length};
}

MessageCatalogue::Text MessageCatalogue::Original(size_t index) const { return At(originals_, index); }
MessageCatalogue::Text MessageCatalogue::Translation(size_t index) const { return At(translations_, index); }

const char* MessageCatalogue::Find(const std::string& english) const {
    size_t low = 0, high = count_;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        const Text original = Original(middle);
        const int order = Compare(english, original.text, original.size);
        if (order == 0) return Translation(middle).text;
        if (order < 0) high = middle;
        else low = middle + 1;
    }
    return nullptr;
}

bool MessageCatalogue::FillFromFormat(const std::string& english, std::string& translated) const {
    for (size_t i = 0; i < count_; ++i) {
        const Text original = Original(i);
        const std::string format(original.text, original.size);
        if (!HasPlaceholder(format)) continue;
        std::vector<std::string> values;
        if (!Matches(format, 0, english, 0, values)) continue;
        const Text translation = Translation(i);
        if (Fill(std::string(translation.text, translation.size), values, translated)) return true;
    }
    return false;
}

void SetMessageLanguage(Language language) { chosenLanguage = language; }

Language MessageLanguage() { return chosenLanguage; }

const char* Tr(const char* english) {
    if (MessageLanguage() != Language::Japanese || !english || !*english) return english;
    const char* japanese = Catalogue().Find(english);
    return japanese && *japanese ? japanese : english;
}

std::string TrText(const std::string& english) {
    if (MessageLanguage() != Language::Japanese || english.empty()) return english;
    if (const char* japanese = Catalogue().Find(english); japanese && *japanese) return japanese;
    std::string translated;
    return Catalogue().FillFromFormat(english, translated) ? translated : english;
}

std::string Formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(n > 0 ? static_cast<size_t>(n) + 1 : 1, '\0');
    if (n > 0) std::vsnprintf(&text[0], text.size(), format, again);
    va_end(again);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}
