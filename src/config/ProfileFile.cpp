#include "config/ProfileFile.h"

#include <algorithm>

#include "platform/Files.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

constexpr size_t npos = std::string::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

bool FitsOneLine(std::string_view text) {
    // Three scans for one byte each (memchr) are quicker than one for any of three.
    return text.find('\r') == npos && text.find('\n') == npos && text.find('\0') == npos;
}

std::optional<std::string_view> SectionNameOfLine(std::string_view line) {
    std::string_view t = line;
    while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
    if (t.empty() || t.front() != '[') return std::nullopt;
    t.remove_prefix(1);
    size_t close = t.find(']');
    if (close != npos) t = t.substr(0, close);
    return Trim(t);
}

bool SplitKeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    size_t eq = line.find('=');
    if (eq == npos) return false;
    key = Trim(line.substr(0, eq));
    if (key.empty() || key.front() == '[') return false;
    value = Trim(line.substr(eq + 1));
    return true;
}

void ProfileFile::Line::classify() {
    kind = Kind::Other;
    nameAt = nameSize = 0;
    std::string_view name;
    if (auto section = SectionNameOfLine(text)) {
        kind = Kind::Section;
        name = *section;
    } else if (std::string_view value; SplitKeyLine(text, name, value)) {
        kind = Kind::Key;
    } else {
        return;
    }
    nameAt = static_cast<size_t>(name.data() - text.data());
    nameSize = name.size();
}

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {
    auto content = ReadFileNoLargerThan(path_, kProfileFileLimit);
    if (!content) {
        // Something is there that cannot be read (no permission, a folder, a
        // FIFO, a link loop, gigabytes): it is not ours to replace.
        unreadable_ = FileExists(path_) || IsLinkLoop(path_);
        return;
    }
    existed_ = true;
    std::string_view all = *content;
    // The encoding is decided once for the whole file. A byte order mark
    // stands apart from the first line even when the rest is not UTF-8 (a
    // UTF-8 file added to by a legacy editor): the first line then reads as
    // the same section or key whatever edits make of the rest, and the mark
    // is written back in front of it.
    bool bom = all.size() >= 3 && all.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom) all.remove_prefix(3);
    encoding_ = IsValidUtf8(all) ? TextEncoding{"UTF-8", bom} : TextEncoding{LegacyCodePage(), bom};
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = pos;
        while (end < all.size() && all[end] != '\r' && all[end] != '\n') ++end;
        Line line(std::string(all.substr(pos, end - pos)), {});
        if (end < all.size()) {
            if (all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n') {
                line.end = "\r\n";
                end += 2;
            } else {
                line.end = std::string(1, all[end]);
                end += 1;
            }
        }
        lines_.push_back(std::move(line));
        pos = end;
    }
}

void ProfileFile::useLegacyCodePage(std::string_view codePage) {
    if (encoding_.name != "UTF-8" && !codePage.empty()) encoding_.name = std::string(codePage);
}

std::string ProfileFile::encode(std::string_view utf8) const {
    if (encoding_.name == "UTF-8") return std::string(utf8);
    // Letters, digits, blanks and the like are the same bytes in every code
    // page a file may be in (only the backslash and tilde differ in some):
    // section and key names need no converter.
    bool plain = std::all_of(utf8.begin(), utf8.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '_' ||
               c == '-' || c == '.';
    });
    if (plain) return std::string(utf8);
    return EncodeText(utf8, encoding_);
}

std::string ProfileFile::decode(std::string_view raw) const {
    // The encoding was decided for the whole file: a piece of a legacy file
    // that happens to be valid UTF-8 is still in the code page.
    return DecodeFromCodePage(raw, encoding_.name);
}

std::string ProfileFile::indexKey(std::string_view lowerSection, std::string_view rawKey) {
    std::string k(lowerSection);
    k += '\n';  // never part of a line
    k += ToLowerAscii(rawKey);
    return k;
}

const ProfileFile::Index& ProfileFile::index() const {
    if (index_) return *index_;
    Index& index = index_.emplace();
    std::string section;        // lower-cased name of the section the lines are in
    bool firstOfName = false;   // keys count only in the first section of a name
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.isSection()) {
            section = ToLowerAscii(line.name());
            firstOfName = index.sections.try_emplace(section, i).second;
        } else if (line.isKey() && firstOfName) {
            index.keys.try_emplace(indexKey(section, line.name()), i);
        }
    }
    return index;
}

void ProfileFile::indexInsertedLine(size_t sectionLine, size_t at) {
    if (!index_) return;
    for (auto& entry : index_->sections)
        if (entry.second >= at) ++entry.second;
    for (auto& entry : index_->keys)
        if (entry.second >= at) ++entry.second;
    const Line& line = lines_[at];
    if (line.isKey()) index_->keys.try_emplace(indexKey(ToLowerAscii(lines_[sectionLine].name()), line.name()), at);
}

size_t ProfileFile::findSection(std::string_view utf8Section) const {
    // Lines hold the file's own encoding: compare in it.
    const auto& sections = index().sections;
    auto found = sections.find(ToLowerAscii(encode(utf8Section)));
    return found == sections.end() ? npos : found->second;
}

size_t ProfileFile::sectionEnd(size_t sectionLine) const {
    size_t i = sectionLine + 1;
    while (i < lines_.size() && !lines_[i].isSection()) ++i;
    return i;
}

size_t ProfileFile::findKey(size_t sectionLine, std::string_view utf8Key) const {
    // sectionLine is always the first section of its name (from findSection).
    const auto& keys = index().keys;
    auto found = keys.find(indexKey(ToLowerAscii(lines_[sectionLine].name()), encode(utf8Key)));
    return found == keys.end() ? npos : found->second;
}

std::optional<std::string> ProfileFile::get(std::string_view section, std::string_view key) const {
    size_t s = findSection(section);
    if (s == npos) return std::nullopt;
    size_t k = findKey(s, key);
    if (k == npos) return std::nullopt;
    std::string_view name, value;
    SplitKeyLine(lines_[k].text, name, value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return decode(value);
}

bool ProfileFile::hasSection(std::string_view section) const { return findSection(section) != npos; }

std::vector<std::string> ProfileFile::keys(std::string_view section) const {
    std::vector<std::string> result;
    size_t s = findSection(section);
    if (s == npos) return result;
    size_t end = sectionEnd(s);
    for (size_t i = s + 1; i < end; ++i) {
        if (lines_[i].isKey()) result.push_back(decode(lines_[i].name()));
    }
    return result;
}

std::vector<std::string> ProfileFile::sectionLines(std::string_view section) const {
    std::vector<std::string> result;
    size_t s = findSection(section);
    if (s == npos) return result;
    size_t end = sectionEnd(s);
    for (size_t i = s + 1; i < end; ++i) result.push_back(decode(lines_[i].text));
    return result;
}

void ProfileFile::ensureLastLineEnded() {
    if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = "\r\n";
}

bool ProfileFile::set(std::string_view section, std::string_view key, std::string_view utf8Value) {
    // A line break would start lines of its own in the file (a folder name
    // from a disc could add keys or sections): such a value is not written.
    if (!FitsOneLine(section) || !FitsOneLine(key) || !FitsOneLine(utf8Value) || key.find('=') != npos ||
        section.find(']') != npos)
        return false;
    std::string text = encode(key) + "=" + encode(utf8Value);
    // A blank key, or one starting with "[", would not read back as a key line.
    if (std::string_view name, value; !FitsOneLine(text) || !SplitKeyLine(text, name, value)) return false;
    size_t s = findSection(section);
    if (s == npos) {
        ensureLastLineEnded();
        if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.emplace_back("", "\r\n");
        lines_.emplace_back("[" + encode(section) + "]", "\r\n");
        lines_.emplace_back(text, "\r\n");
        if (index_) {
            const size_t sectionAt = lines_.size() - 2;
            const std::string lowerSection = ToLowerAscii(lines_[sectionAt].name());
            // (A name with blanks around it may match an older section once
            // trimmed: the older one keeps the name and the keys.)
            if (index_->sections.try_emplace(lowerSection, sectionAt).second)
                index_->keys.try_emplace(indexKey(lowerSection, lines_.back().name()), sectionAt + 1);
        }
        modified_ = true;
        return true;
    }
    size_t k = findKey(s, key);
    if (k != npos) {
        if (lines_[k].text != text) {
            lines_[k].setText(text);
            modified_ = true;
        }
        return true;
    }
    // After the last key line of the section (or right after the section line).
    size_t end = sectionEnd(s);
    size_t insertAt = s + 1;
    for (size_t i = s + 1; i < end; ++i) {
        if (lines_[i].isKey()) insertAt = i + 1;
    }
    if (lines_[insertAt - 1].end.empty()) lines_[insertAt - 1].end = "\r\n";
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), Line(text, "\r\n"));
    indexInsertedLine(s, insertAt);
    modified_ = true;
    return true;
}

void ProfileFile::remove(std::string_view section, std::string_view key) {
    size_t s = findSection(section);
    if (s == npos) return;
    size_t k = findKey(s, key);
    if (k == npos) return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(k));
    index_.reset();
    modified_ = true;
}

void ProfileFile::removeSection(std::string_view section) {
    if (findSection(section) == npos) return;  // the usual case: nothing to move
    const std::string name = encode(section);  // lines hold the file's own encoding
    std::vector<Line> kept;
    kept.reserve(lines_.size());
    bool dropping = false;
    for (Line& line : lines_) {
        if (line.isSection()) dropping = EqualsAsciiNoCase(line.name(), name);
        if (!dropping) kept.push_back(std::move(line));
    }
    lines_ = std::move(kept);
    index_.reset();
    modified_ = true;
}

void ProfileFile::appendRawText(std::string_view utf8) {
    index_.reset();
    std::string raw = encode(utf8);
    std::string_view all = raw;
    // Continue the last line when it has no line end yet.
    bool continueLast = !lines_.empty() && lines_.back().end.empty();
    size_t pos = 0;
    while (pos <= all.size()) {
        size_t end = all.find("\r\n", pos);
        std::string_view piece = all.substr(pos, end == npos ? npos : end - pos);
        if (continueLast) {
            lines_.back().setText(lines_.back().text + std::string(piece));
            continueLast = false;
        } else if (!(end == npos && piece.empty())) {
            lines_.emplace_back(std::string(piece), "");
        }
        if (end == npos) break;
        lines_.back().end = "\r\n";
        pos = end + 2;
    }
    modified_ = true;
}

std::string ProfileFile::bytes() const {
    std::string out;
    if (encoding_.byteOrderMark) out = "\xEF\xBB\xBF";
    for (const auto& l : lines_) {
        out += l.text;
        out += l.end;
    }
    return out;
}

bool ProfileFile::saveTo(const std::string& path) {
    if (!modified_) return true;
    if (!WriteFileAtomically(path, bytes())) return false;
    path_ = path;
    unreadable_ = false;
    modified_ = false;
    existed_ = true;
    return true;
}

bool ProfileFile::save() {
    if (!modified_) return true;
    if (unreadable_) return false;
    if (!WriteFileAtomically(path_, bytes())) return false;
    modified_ = false;
    existed_ = true;
    return true;
}

}  // namespace vellumo
