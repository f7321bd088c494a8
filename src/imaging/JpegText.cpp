#include "imaging/JpegText.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace vellumo {

namespace {

constexpr std::string_view kMakers[] = {"AGFA",  "Canon",   "CASIO", "FUJIFILM", "Hewlett-Packard",
                                        "EASTMAN", "Eastman", "EPSON", "Minolta Co.,", "NIKON",
                                        "OLYMPUS", "RICOH", "SONY",  "Sony",     "Exif"};

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The zero-terminated string at pos; the data's end terminates it too.
inline std::string_view StringAt(const std::uint8_t* data, std::size_t length, std::size_t pos) {
    std::size_t end = pos;
    while (end < length && data[end] != 0) ++end;
    return {reinterpret_cast<const char*>(data) + pos, end - pos};
}

// Decimal value of at most 31 characters, read as atoi reads: blanks, a sign,
// digits; saturating instead of overflowing.
long long DecimalValue(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        if (v > (INT64_MAX - 9) / 10) {
            v = INT64_MAX;
            break;
        }
        v = v * 10 + (s[i] - '0');
    }
    return negative ? -v : v;
}

}  // namespace

bool ScanExifDate(const std::uint8_t* data, std::size_t length, std::string& date) {
    std::size_t pos = 0;
    bool started = false;
    bool found = false;
    std::string result;
    while (pos < length) {
        const std::string_view s = StringAt(data, length, pos);
        if (!started) {
            for (auto m : kMakers)
                if (s.find(m) != std::string_view::npos) {
                    started = true;
                    break;
                }
            if (!started) {
                pos += s.size() + 1;
                continue;
            }
        }
        if (s.empty()) {
            pos += 1;
            continue;
        }
        const char c0 = s[0];
        const char c1 = s.size() > 1 ? s[1] : '\0';
        if (IsDigit(c0) && IsDigit(c1) && s.find_first_of(":.") != std::string_view::npos && s.size() <= 20) {
            const std::size_t k = std::min<std::size_t>(s.size(), 19);
            result.assign(s.substr(0, k));
            found = true;
            pos += k;
        } else if (IsDigit(c1) && std::count(s.begin() + 1, s.end(), ':') >= 2 && s.size() <= 20) {
            const std::size_t k = std::min<std::size_t>(s.size() - 1, 19);
            result.assign(s.substr(1, k));
            found = true;
            pos += 1 + k;
        } else {
            pos += s.size() + 1;
        }
    }
    if (found) date = result;
    return found;
}

bool ScanTimeDate(const std::uint8_t* data, std::size_t length, std::string& date) {
    static constexpr std::string_view kKey = "TimeDate=";
    std::size_t pos = 0;
    while (pos < length) {
        const std::string_view s = StringAt(data, length, pos);
        const std::size_t at = s.find(kKey);
        if (at == std::string_view::npos) {
            pos += s.size() + 1;
            continue;
        }
        const std::string_view rest = s.substr(at + kKey.size());
        const std::size_t cr = rest.find('\r');
        const std::string_view number = rest.substr(0, std::min<std::size_t>(cr == std::string_view::npos ? rest.size() : cr, 31));
        const long long value = DecimalValue(number);
        if (cr != std::string_view::npos && value > 0) {
            const std::time_t t = static_cast<std::time_t>(value);
            std::tm tm{};
            char buffer[64];
            if (localtime_r(&t, &tm) && std::strftime(buffer, sizeof buffer, "%Y.%m.%d %H:%M:%S", &tm) > 0) {
                date.assign(buffer, std::min<std::size_t>(std::char_traits<char>::length(buffer), 19));
                return true;
            }
        }
        pos += at + kKey.size();
    }
    return false;
}

bool ScanIptcCaption(const std::uint8_t* data, std::size_t length, std::string& caption) {
    bool found = false;
    std::size_t p = 0;
    while (p + 2 < length) {
        if (data[p] == 0x1C && data[p + 1] == 0x02 && data[p + 2] == 0x78) {
            if (p + 4 < length) {
                const std::size_t declared = (std::size_t(data[p + 3]) << 8) | data[p + 4];
                const std::size_t available = length > p + 5 ? length - (p + 5) : 0;
                const std::size_t limit = std::min({declared, std::size_t{959}, available});
                std::size_t n = 0;
                while (n < limit && data[p + 5 + n] != 0) ++n;
                caption.assign(reinterpret_cast<const char*>(data) + p + 5, n);
                found = true;
            }
            p += 6;
        } else {
            ++p;
        }
    }
    return found;
}

std::string BuildJpegText(const std::vector<JpegMarker>& markers) {
    std::string text;
    std::string date;
    for (const JpegMarker& m : markers) {
        if (!m.data) continue;
        switch (m.code) {
            case 0xE1: ScanExifDate(m.data, m.length, date); break;
            case 0xEC: ScanTimeDate(m.data, m.length, date); break;
            case 0xED: ScanIptcCaption(m.data, m.length, text); break;
            default: break;
        }
    }
    if (text.empty()) return date;
    return text + "\n" + date;
}

}  // namespace vellumo
