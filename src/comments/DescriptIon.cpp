#include "comments/DescriptIon.h"

#include <sys/stat.h>

#include "comments/CommentLimits.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

// The bytes of data from `at` that equal the name ignoring case (Unicode
// case folding, as every name comparison), or npos.
size_t NameAt(std::string_view data, size_t at, std::string_view name) {
    if (at > data.size()) return std::string_view::npos;
    return PrefixLengthNoCase(data.substr(at), name);
}

// The position of the next CR or LF at or after pos (the size when none).
size_t LineBreak(std::string_view data, size_t pos) {
    const char* p = data.data();
    const size_t n = data.size();
    while (pos < n && p[pos] != '\n' && p[pos] != '\r') ++pos;
    return pos;
}

}  // namespace

std::string FindDescription(std::string_view data, std::string_view fileName) {
    data = data.substr(0, data.find('\0'));
    if (fileName.empty()) return {};
    // Only line starts can match, so each is tried once: linear in the data.
    size_t lineStart = 0;
    while (lineStart < data.size()) {
        size_t p = std::string_view::npos;
        if (size_t n = NameAt(data, lineStart, fileName); n != std::string_view::npos) {
            p = lineStart + n;
        } else if (data[lineStart] == '"') {
            // Names with blanks are written in double quotes.
            n = NameAt(data, lineStart + 1, fileName);
            if (n != std::string_view::npos && lineStart + 1 + n < data.size() && data[lineStart + 1 + n] == '"')
                p = lineStart + n + 2;
        }
        if (p != std::string_view::npos) {
            if (p < data.size() && data[p] == ' ') ++p;
            std::string_view description = data.substr(p, LineBreak(data, p) - p);
            return std::string(CutUtf8(description, kCommentByteLimit));
        }
        lineStart = LineBreak(data, lineStart) + 1;
    }
    return {};
}

void DescriptIon::clear() {
    data_.clear();
    data_.shrink_to_fit();
    loaded_ = false;
}

void DescriptIon::load(const std::string& folder) {
    clear();
    if (folder.empty()) return;  // the drive list has no descript.ion
    const std::string path = ResolveDerivedName(JoinPath(folder, "descript.ion"));
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    if (st.st_size <= 0 || static_cast<std::uint64_t>(st.st_size) > kDescriptIonByteLimit) return;
    auto bytes = ReadWholeFile(path, kDescriptIonByteLimit);
    if (!bytes || bytes->empty()) return;
    std::string_view raw = *bytes;
    raw = raw.substr(0, raw.find('\0'));
    data_ = DecodeText(raw, LegacyCodePage(), nullptr);
    loaded_ = true;
}

std::string DescriptIon::find(std::string_view fileName) const {
    if (!loaded_) return {};
    return FindDescription(data_, fileName);
}

}  // namespace vellumo
