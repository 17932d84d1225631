#include "cli/output/display_width.h"

#include <algorithm>
#include <iterator>

#include "cli/output/visible_text.h"

namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

#include "cli/output/display_width_table.inc"

template <size_t N>
bool InRanges(const CodePointRange (&ranges)[N], char32_t cp) {
    const auto after = std::upper_bound(std::begin(ranges), std::end(ranges), cp,
                                        [](char32_t c, const CodePointRange& r) { return c < r.first; });
    return after != std::begin(ranges) && cp <= std::prev(after)->last;
}

// The code point at text[i] and its length in bytes; a broken sequence is one
// byte of U+FFFD.
char32_t CodePointAt(const std::string& text, size_t i, size_t& length) {
    length = Utf8SequenceLength(text, i);
    if (length == 0) {
        length = 1;
        return 0xFFFD;
    }
    static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t cp = static_cast<unsigned char>(text[i]) & kLeadBits[length];
    for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    return cp;
}

}  // namespace

int CodePointWidth(char32_t cp) {
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) return 0;
    if (cp < 0x300) return 1;
    if (InRanges(kZeroWidthRanges, cp)) return 0;
    return InRanges(kWideRanges, cp) ? 2 : 1;
}

size_t DisplayWidth(const std::string& text) {
    size_t columns = 0;
    for (size_t i = 0, length = 1; i < text.size(); i += length) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {  // most of what is drawn: no table to look in
            length = 1;
            columns += c >= 0x20 && c != 0x7F ? 1 : 0;
            continue;
        }
        columns += static_cast<size_t>(CodePointWidth(CodePointAt(text, i, length)));
    }
    return columns;
}

std::string CutToWidth(const std::string& text, size_t columns) {
    size_t used = 0;
    for (size_t i = 0, length = 0; i < text.size(); i += length) {
        used += static_cast<size_t>(CodePointWidth(CodePointAt(text, i, length)));
        if (used > columns) return text.substr(0, i);
    }
    return text;
}

std::string PadToWidth(const std::string& text, size_t columns) {
    const size_t width = DisplayWidth(text);
    return width >= columns ? text : text + std::string(columns - width, ' ');
}

size_t WidestWidth(const std::vector<std::string>& texts, size_t least) {
    size_t widest = least;
    for (const std::string& t : texts) widest = std::max(widest, DisplayWidth(t));
    return widest;
}
