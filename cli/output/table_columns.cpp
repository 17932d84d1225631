#include "cli/output/table_columns.h"

#include <algorithm>
#include <iterator>

#include "cli/output/visible_text.h"

namespace {

struct Range {
    char32_t first, last;
};

// Combining marks and zero-width characters.
constexpr Range kZero[] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
                           {0x064B, 0x065F}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E},
                           {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x20D0, 0x20FF},
                           {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}};
// East Asian wide and fullwidth characters.
constexpr Range kWide[] = {{0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x3247}, {0x3250, 0x4DBF},
                           {0x4E00, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
                           {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F},
                           {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD}};

bool In(const Range* ranges, size_t count, char32_t cp) {
    return std::any_of(ranges, ranges + count, [cp](const Range& r) { return cp >= r.first && cp <= r.last; });
}

char32_t CodePoint(const std::string& text, size_t i, size_t length) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (length == 1) return lead;
    char32_t cp = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    return cp;
}

}  // namespace

size_t TextColumns(const std::string& text) {
    size_t columns = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            ++columns;
            ++i;
            continue;
        }
        const char32_t cp = CodePoint(text, i, length);
        if (!In(kZero, std::size(kZero), cp)) columns += In(kWide, std::size(kWide), cp) ? 2 : 1;
        i += length;
    }
    return columns;
}

std::string PaddedToColumns(const std::string& text, size_t columns) {
    const size_t used = TextColumns(text);
    return used >= columns ? text : text + std::string(columns - used, ' ');
}

size_t WidestColumns(const std::vector<std::string>& texts, size_t least) {
    size_t widest = least;
    for (const std::string& t : texts) widest = std::max(widest, TextColumns(t));
    return widest;
}
