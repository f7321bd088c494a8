#pragma once
// Reader and writer of profile (ini) files: section lines in square brackets
// and key=value lines. A file is read once, edited in memory and written once,
// atomically, by Save. Lines the program does not know are kept byte for byte,
// with their own line ends, in the encoding the file was read in.
//
// Behaviour relied on by the settings, hotkeys and language files:
// - section and key names match ignoring ASCII case; the first of duplicate
//   sections or keys wins;
// - a value is returned without surrounding blanks, and a value in matching
//   double quotes loses them;
// - setting a key replaces its line, or inserts it after the last key line of
//   its section, or appends the section after one empty line at the end;
// - new lines end in CR LF; readers accept CR LF, LF and CR.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/TextCodec.h"

namespace vellumo {

class ProfileFile {
public:
    // Reads the file if it exists (a missing or unreadable file gives an empty
    // profile). An entry that exists but cannot be read is never written over.
    explicit ProfileFile(std::string path);

    const std::string& path() const { return path_; }
    bool existed() const { return existed_; }
    // Something exists under the path that could not be read.
    bool unreadable() const { return unreadable_; }
    bool modified() const { return modified_; }
    const TextEncoding& encoding() const { return encoding_; }
    // For a file that was not read as UTF-8: decode and encode it with this code
    // page from now on (a language loaded while the file is open decides it).
    void useLegacyCodePage(std::string_view codePage);

    // The value of a key (UTF-8), or nothing when the section or key is missing.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;
    // The key names of a section's key lines, in file order (duplicates included).
    std::vector<std::string> keys(std::string_view section) const;
    // Every line of a section after its section line, as text (for sections
    // whose lines are not key=value pairs).
    std::vector<std::string> sectionLines(std::string_view section) const;

    // Sets a key; false (and nothing changes) when the section, key or value
    // holds a line break or a NUL, the key an "=" or the section a "]", or the
    // key is blank or starts with "[": those would add lines, keys or sections
    // of their own to the file.
    bool set(std::string_view section, std::string_view key, std::string_view utf8Value);
    void remove(std::string_view section, std::string_view key);
    // Removes every section of this name with its lines, in one pass (a file
    // may hold thousands of them).
    void removeSection(std::string_view section);
    // Appends UTF-8 text as it stands (used for file headers); "\r\n" inside it
    // separate lines.
    void appendRawText(std::string_view utf8);

    // Writes the file when something changed. Returns false when the write
    // failed or the file could not be read; the file on disk is then unchanged.
    bool save();
    // Writes the whole file to another path when something changed (a copy
    // kept for the user where the original cannot be written).
    bool saveTo(const std::string& path);
    // The bytes Save writes.
    std::string bytes() const;

private:
    struct Line {
        Line(std::string t, std::string e) : text(std::move(t)), end(std::move(e)) { classify(); }
        void setText(std::string t) {
            text = std::move(t);
            classify();
        }
        // A section line, a key line or any other line, and the section or
        // key name, parsed once: lookups compare only the names.
        bool isSection() const { return kind == Kind::Section; }
        bool isKey() const { return kind == Kind::Key; }
        std::string_view name() const { return std::string_view(text).substr(nameAt, nameSize); }

        std::string text;  // raw bytes in the file's encoding, without the line end; changed through setText
        std::string end;   // "\r\n", "\n", "\r" or "" for the last line

    private:
        void classify();
        enum class Kind : unsigned char { Other, Section, Key } kind = Kind::Other;
        size_t nameAt = 0;
        size_t nameSize = 0;
    };
    // Index of the first section line with this name, or npos.
    size_t findSection(std::string_view section) const;
    // Index of the first key line of the section (starting after sectionLine), or npos.
    size_t findKey(size_t sectionLine, std::string_view key) const;
    // One past the last line of the section that starts at sectionLine.
    size_t sectionEnd(size_t sectionLine) const;
    std::string encode(std::string_view utf8) const;
    std::string decode(std::string_view raw) const;
    void ensureLastLineEnded();

    // Where the first section of each name starts, and the first key line of
    // each name in it, by names lower-cased in the file's own bytes: settings,
    // hotkeys and language files look up hundreds of keys. Built at the first
    // look-up, kept up to date by set and dropped by the other edits.
    struct Index {
        std::unordered_map<std::string, size_t> sections;
        std::unordered_map<std::string, size_t> keys;  // section name, "\n", key name
    };
    const Index& index() const;
    static std::string indexKey(std::string_view lowerSection, std::string_view rawKey);
    // Keeps the index right after a line was inserted at `at` in the section
    // that starts at sectionLine.
    void indexInsertedLine(size_t sectionLine, size_t at);

    std::string path_;
    bool existed_ = false;
    bool unreadable_ = false;
    bool modified_ = false;
    TextEncoding encoding_;
    std::vector<Line> lines_;
    mutable std::optional<Index> index_;
};

// The text holds no CR, LF or NUL, so it can stand as (part of) one line of a
// file. Names of files and folders on a disc may hold any of them.
bool FitsOneLine(std::string_view text);

// The section name of a line, if it is a section line: "[" after optional
// blanks, the name up to "]" or the end of the line, trimmed.
std::optional<std::string_view> SectionNameOfLine(std::string_view line);
// The key name and raw value of a key line: text before the first "=", trimmed.
bool SplitKeyLine(std::string_view line, std::string_view& key, std::string_view& value);

}  // namespace vellumo
