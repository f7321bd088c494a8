#pragma once
// The one case-insensitive comparison of the program: every sorted list and
// every "ignoring case" test of names goes through it. Locale-independent and
// thread-safe; folds case over Unicode for UTF-8 text. Bytes that are not
// valid UTF-8 compare by their byte value after all valid characters of the
// same position.
#include <string>
#include <string_view>

namespace vellumo {

// Negative, zero or positive like strcmp, ignoring case.
int CompareNoCase(std::string_view a, std::string_view b);
inline bool EqualsNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }
// When text begins with prefix ignoring case, the number of bytes of text
// that prefix stands for (they may differ in number from the prefix's own);
// npos otherwise.
size_t PrefixLengthNoCase(std::string_view text, std::string_view prefix);
// Strict weak order for std::sort.
struct LessNoCase {
    bool operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) < 0; }
};

// A key whose byte order is the order of CompareNoCase: sorting many names
// by their keys compares each name's characters once, not at every step.
std::string FoldedSortKey(std::string_view text);
// The same key appended to out (many keys in one buffer).
void AppendFoldedSortKey(std::string& out, std::string_view text);

// ASCII-only folding, for names the program derives and for fixed keywords.
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
// Finds needle in haystack ignoring ASCII case; npos when absent.
size_t FindAsciiNoCase(std::string_view haystack, std::string_view needle);

// Lower-cases UTF-8 text over Unicode (invalid bytes stay as they are).
std::string ToLowerUtf8(std::string_view text);

}  // namespace vellumo
