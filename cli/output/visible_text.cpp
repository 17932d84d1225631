#include "cli/output/visible_text.h"

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool IsC0OrDel(unsigned char c) { return c < 0x20 || c == 0x7F; }

// U+0080..U+009F, whose UTF-8 is C2 80..C2 9F.
bool IsC1(const std::string& text, size_t i, size_t length) {
    return length == 2 && static_cast<unsigned char>(text[i]) == 0xC2 &&
           static_cast<unsigned char>(text[i + 1]) <= 0x9F;
}

// Each well-formed sequence of text through append, each byte of a broken
// one as U+FFFD.
template <typename Append>
std::string MapUtf8(const std::string& text, Append append) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        append(out, text, i, n);
        i += n;
    }
    return out;
}

}  // namespace

size_t Utf8SequenceLength(const std::string& text, size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) return 1;
    size_t n = 0;
    unsigned long cp = 0, min = 0;
    if ((c & 0xE0) == 0xC0)
        n = 2, cp = c & 0x1F, min = 0x80;
    else if ((c & 0xF0) == 0xE0)
        n = 3, cp = c & 0x0F, min = 0x800;
    else if ((c & 0xF8) == 0xF0)
        n = 4, cp = c & 0x07, min = 0x10000;
    else
        return 0;
    if (i + n > text.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const unsigned char t = static_cast<unsigned char>(text[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

std::string ValidUtf8(const std::string& text) {
    return MapUtf8(text, [](std::string& out, const std::string& t, size_t i, size_t n) { out.append(t, i, n); });
}

void AppendVisibleByte(std::string& text, unsigned char c) {
    switch (c) {
    case '\r': text += "\\r"; return;
    case '\n': text += "\\n"; return;
    case '\t': text += "\\t"; return;
    case '\0': text += "\\0"; return;
    case '\\': text += "\\\\"; return;
    default: break;
    }
    const char* digits = "0123456789ABCDEF";
    text += "\\x";
    text += digits[c >> 4];
    text += digits[c & 0xF];
}

void AppendVisibleBytes(std::string& text, const char* data, int length) {
    int plain = 0;  // start of the run of printable bytes not yet appended
    for (int i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') continue;
        text.append(data + plain, static_cast<size_t>(i - plain));
        plain = i + 1;
        AppendVisibleByte(text, c);
    }
    text.append(data + plain, static_cast<size_t>(length - plain));
}

std::string VisibleBytes(const char* data, int length) {
    std::string text;
    text.reserve(static_cast<size_t>(length) + 8);
    AppendVisibleBytes(text, data, length);
    return text;
}

std::string VisibleText(const std::string& text) {
    return MapUtf8(text, [](std::string& out, const std::string& t, size_t i, size_t n) {
        if (!IsC0OrDel(static_cast<unsigned char>(t[i])) && !IsC1(t, i, n)) {
            out.append(t, i, n);
            return;
        }
        for (size_t k = 0; k < n; ++k) AppendVisibleByte(out, static_cast<unsigned char>(t[i + k]));
    });
}
