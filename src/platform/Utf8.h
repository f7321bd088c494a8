#pragma once
// Decoding of one UTF-8 character, shared by validation and comparison.
#include <string_view>

namespace vellumo {

// Decodes the character at pos and moves pos past it. Returns false (pos
// unchanged) for a byte that does not start a valid, shortest-form character
// (overlong forms, surrogates and values above U+10FFFF are invalid).
inline bool DecodeUtf8Char(std::string_view s, size_t& pos, char32_t& cp) {
    unsigned char c = static_cast<unsigned char>(s[pos]);
    if (c < 0x80) {
        cp = c;
        ++pos;
        return true;
    }
    int len;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
    } else {
        return false;
    }
    if (pos + static_cast<size_t>(len) > s.size()) return false;
    for (int k = 1; k < len; ++k) {
        unsigned char d = static_cast<unsigned char>(s[pos + static_cast<size_t>(k)]);
        if ((d & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (d & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    pos += static_cast<size_t>(len);
    return true;
}

}  // namespace vellumo
