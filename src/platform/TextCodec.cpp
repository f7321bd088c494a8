#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include "platform/TextCompare.h"
#include "platform/Utf8.h"

namespace vellumo {

namespace {

// Never destroyed: workers that are never waited for read texts while the
// process may be exiting.
std::mutex& gCodePageMutex = *new std::mutex;
std::string& gCodePage = *new std::string("CP1252");

// Opening a converter costs far more than converting a line of a settings
// file, and a legacy file converts every key it looks up: each thread keeps
// the converters it opened, one per direction and code page.
class ConverterCache {
public:
    ~ConverterCache() {
        for (auto& c : converters_) iconv_close(c.cd);
    }
    // A converter in its initial state, or -1 when iconv does not know the names.
    iconv_t get(const char* from, const char* to) {
        for (auto& c : converters_) {
            if (c.from == from && c.to == to) {
                iconv(c.cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
                return c.cd;
            }
        }
        iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
        if (converters_.size() >= kMaxConverters) {
            iconv_close(converters_.front().cd);
            converters_.erase(converters_.begin());
        }
        converters_.push_back({from, to, cd});
        return cd;
    }

private:
    static constexpr size_t kMaxConverters = 8;
    struct Converter {
        std::string from, to;
        iconv_t cd;
    };
    std::vector<Converter> converters_;
};

// Converts with iconv; an input sequence the source cannot decode, or a
// character the target cannot hold, becomes the replacement text.
std::string Convert(std::string_view in, const char* from, const char* to, std::string_view replacement,
                    size_t replacedInputBytes) {
    thread_local ConverterCache cache;
    iconv_t cd = cache.get(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.resize(in.size() * 4 + 16);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            size_t used = static_cast<size_t>(outPtr - out.data());
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: replace and skip.
        size_t used = static_cast<size_t>(outPtr - out.data());
        if (outLeft < replacement.size()) {
            out.resize(out.size() * 2 + replacement.size());
            outPtr = out.data() + used;
            outLeft = out.size() - used;
        }
        for (char c : replacement) {
            *outPtr++ = c;
            --outLeft;
        }
        size_t skip = std::min(inLeft, replacedInputBytes);
        if (replacedInputBytes == 0) {
            // Skip one whole UTF-8 character of the input.
            skip = 1;
            while (skip < inLeft && (static_cast<unsigned char>(inPtr[skip]) & 0xC0) == 0x80) ++skip;
        }
        inPtr += skip;
        inLeft -= skip;
    }
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.resize(static_cast<size_t>(outPtr - out.data()));
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    char32_t cp;
    while (i < s.size())
        if (!DecodeUtf8Char(s, i, cp)) return false;
    return true;
}

std::string CodePageForCharSet(std::string_view name) {
    struct Entry {
        const char* name;
        const char* codePage;
    };
    static constexpr Entry kTable[] = {
        {"ANSI", "CP1252"},     {"EASTEUROPE", "CP1250"}, {"RUSSIAN", "CP1251"},   {"GREEK", "CP1253"},
        {"TURKISH", "CP1254"},  {"HEBREW", "CP1255"},     {"ARABIC", "CP1256"},    {"BALTIC", "CP1257"},
        {"THAI", "CP874"},      {"SHIFTJIS", "CP932"},    {"GB2312", "CP936"},     {"HANGUL", "CP949"},
        {"JOHAB", "JOHAB"},     {"MAC", "MACINTOSH"},     {"OEM", "CP437"},        {"SYMBOL", "CP1252"},
    };
    for (const auto& e : kTable)
        if (EqualsAsciiNoCase(name, e.name)) return e.codePage;
    return "CP1252";
}

void SetLegacyCodePage(std::string_view codePage) {
    std::lock_guard lock(gCodePageMutex);
    gCodePage = codePage.empty() ? "CP1252" : std::string(codePage);
}

std::string LegacyCodePage() {
    std::lock_guard lock(gCodePageMutex);
    return gCodePage;
}

std::string DecodeText(std::string_view bytes, TextEncoding* detected) {
    return DecodeText(bytes, LegacyCodePage(), detected);
}

std::string DecodeText(std::string_view bytes, std::string_view codePage, TextEncoding* detected) {
    bool bom = bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
    std::string_view body = bom ? bytes.substr(3) : bytes;
    if (IsValidUtf8(body)) {
        if (detected) *detected = TextEncoding{"UTF-8", bom};
        return std::string(body);
    }
    std::string cp(codePage.empty() ? "CP1252" : codePage);
    if (detected) *detected = TextEncoding{cp, false};
    return Convert(bytes, cp.c_str(), "UTF-8", "\xEF\xBF\xBD", 1);
}

std::string DecodeFromCodePage(std::string_view bytes, std::string_view codePage) {
    if (codePage == "UTF-8") return std::string(bytes);
    const std::string cp(codePage.empty() ? "CP1252" : codePage);
    return Convert(bytes, cp.c_str(), "UTF-8", "\xEF\xBF\xBD", 1);
}

std::string EncodeText(std::string_view utf8, const TextEncoding& encoding) {
    if (encoding.name == "UTF-8" || encoding.name.empty()) {
        std::string out = encoding.byteOrderMark ? "\xEF\xBB\xBF" : "";
        out += utf8;
        return out;
    }
    return Convert(utf8, "UTF-8", encoding.name.c_str(), "?", 0);
}

std::string_view CutUtf8(std::string_view utf8, size_t maxBytes) {
    if (utf8.size() <= maxBytes) return utf8;
    size_t end = maxBytes;
    // Step back over continuation bytes to the start of the cut character.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    return utf8.substr(0, end);
}

}  // namespace vellumo
