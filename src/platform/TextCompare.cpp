#include "platform/TextCompare.h"

#include "platform/Utf8.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace vellumo {

namespace {

// One C.UTF-8 locale object for the whole process: towlower_l with it folds
// every Unicode letter the same way whatever the user's locale, and reading a
// locale object from several threads is safe.
locale_t FoldLocale() {
    static locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (!l) l = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
        return l;
    }();
    return locale;
}

constexpr char32_t kInvalidBase = 0x110000;  // invalid bytes sort after every character

// Decodes one UTF-8 character at pos; an invalid byte becomes kInvalidBase + byte.
char32_t NextChar(std::string_view s, size_t& pos) {
    char32_t cp;
    if (DecodeUtf8Char(s, pos, cp)) return cp;
    return kInvalidBase + static_cast<unsigned char>(s[pos++]);
}

char32_t Fold(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= kInvalidBase) return c;
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), FoldLocale()));
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        char32_t ca = Fold(NextChar(a, i));
        char32_t cb = Fold(NextChar(b, j));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

size_t PrefixLengthNoCase(std::string_view text, std::string_view prefix) {
    size_t i = 0, j = 0;
    while (j < prefix.size()) {
        if (i >= text.size()) return std::string_view::npos;
        if (Fold(NextChar(text, i)) != Fold(NextChar(prefix, j))) return std::string_view::npos;
    }
    return i;
}

std::string FoldedSortKey(std::string_view text) {
    std::string key;
    key.reserve(text.size());
    AppendFoldedSortKey(key, text);
    return key;
}

void AppendFoldedSortKey(std::string& key, std::string_view text) {
    // ASCII text is its own key, lower-cased: copied in one go, then lowered
    // in place through a pointer (a char stored through the string may alias
    // its own fields, which would be read again for every character).
    const size_t at = key.size();
    key.append(text);
    char* out = key.data() + at;
    unsigned char seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        seen |= static_cast<unsigned char>(out[i]);
        out[i] = AsciiLower(out[i]);
    }
    if (seen < 0x80) return;
    key.resize(at);
    size_t i = 0;
    while (i < text.size()) {
        const char32_t c = Fold(NextChar(text, i));
        // The UTF-8 pattern keeps the order of the numbers it encodes, up to
        // 21 bits: invalid bytes (above every character) keep theirs too.
        if (c >= 0x10000) {
            key += static_cast<char>(0xF0 | (c >> 18));
            key += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            key += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            key += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            AppendUtf8(key, c);
        }
    }
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

std::string ToLowerAscii(std::string_view text) {
    std::string r(text);
    for (auto& c : r) c = AsciiLower(c);
    return r;
}

std::string ToUpperAscii(std::string_view text) {
    std::string r(text);
    for (auto& c : r) c = AsciiUpper(c);
    return r;
}

size_t FindAsciiNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return 0;
    if (needle.size() > haystack.size()) return std::string_view::npos;
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (EqualsAsciiNoCase(haystack.substr(i, needle.size()), needle)) return i;
    }
    return std::string_view::npos;
}

std::string ToLowerUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        size_t start = i;
        char32_t c = NextChar(text, i);
        if (c >= kInvalidBase) {
            out.append(text.substr(start, i - start));
        } else {
            AppendUtf8(out, Fold(c));
        }
    }
    return out;
}

}  // namespace vellumo
