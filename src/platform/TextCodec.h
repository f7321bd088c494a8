#pragma once
// Text files may come from Windows. Inside the program text is UTF-8; a file
// whose bytes are valid UTF-8 is read as UTF-8, any other file is decoded from
// a legacy code page (by default the one of the loaded language's CharSet).
// A file is written back in the encoding it was read in.
#include <string>
#include <string_view>

namespace vellumo {

// The iconv name of an encoding: "UTF-8" or a code page such as "CP1252".
struct TextEncoding {
    std::string name = "UTF-8";
    bool byteOrderMark = false;  // EF BB BF stood before the text
    friend bool operator==(const TextEncoding&, const TextEncoding&) = default;
};

bool IsValidUtf8(std::string_view bytes);

// The code page of a language file's CharSet name (the names of the language
// files: ANSI, EASTEUROPE, RUSSIAN, ...); CP1252 for unknown names.
std::string CodePageForCharSet(std::string_view charSetName);

// The code page legacy files are read with; set when a language is loaded.
// Thread-safe.
void SetLegacyCodePage(std::string_view codePage);
std::string LegacyCodePage();

// Decodes file bytes: valid UTF-8 (a leading byte-order mark is dropped and
// remembered) stays; anything else is converted from the code page. Bytes the
// code page does not define become U+FFFD.
std::string DecodeText(std::string_view bytes, TextEncoding* detected = nullptr);
std::string DecodeText(std::string_view bytes, std::string_view codePage, TextEncoding* detected);

// Converts bytes of a known code page to UTF-8, with no guessing (a piece of
// a legacy file may happen to be valid UTF-8); undefined bytes become U+FFFD.
std::string DecodeFromCodePage(std::string_view bytes, std::string_view codePage);

// Encodes UTF-8 text into the encoding; characters it cannot hold become "?".
std::string EncodeText(std::string_view utf8, const TextEncoding& encoding);

// Cuts UTF-8 text back to at most maxBytes bytes without splitting a character.
std::string_view CutUtf8(std::string_view utf8, size_t maxBytes);

}  // namespace vellumo
