#include "platform/FileMask.h"

#include <string>

#include "platform/TextCompare.h"

namespace vellumo {

namespace {

// Length of the UTF-8 character starting at text[i] (1 for a stray byte).
size_t CharLength(std::string_view text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t n = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    if (i + n > text.size()) return 1;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

bool Match(std::string_view name, std::string_view mask) {
    size_t n = 0, m = 0;
    size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = ++m;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            n += CharLength(name, n);
            ++m;
        } else if (m < mask.size() && mask[m] == name[n]) {
            ++n;
            ++m;
        } else if (starMask != std::string_view::npos) {
            // Let the last "*" take one more character and try again.
            starName += CharLength(name, starName);
            n = starName;
            m = starMask;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace

bool MatchesFileMask(std::string_view name, std::string_view mask) {
    const std::string n = ToLowerUtf8(name);
    const std::string m = ToLowerUtf8(mask);
    if (Match(n, m)) return true;
    // "x.*" also takes names without any dot, as "*.*" takes every name.
    if (m.size() >= 2 && m.compare(m.size() - 2, 2, ".*") == 0 && n.find('.') == std::string::npos)
        return Match(n, std::string_view(m).substr(0, m.size() - 2));
    return false;
}

}  // namespace vellumo
