// Paths written in files and text in any code page. A path read from a file
// is absolute, normalised and never climbs above the root; decoded text is
// valid UTF-8 and encodes back without growing past four bytes a character.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Paths.h"
#include "platform/TextCodec.h"

using namespace vellumo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const char* const pages[] = {"CP1252", "CP1250", "CP1251", "CP1253", "CP1254", "CP1255", "CP1256",
                                        "CP1257", "CP874",  "CP932",  "CP936",  "CP949",  "JOHAB",  "MACINTOSH",
                                        "CP437"};
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::string path = ReadPathFromFile(text, "/media/cd/Vellumo", "/media/cd");
    if (!text.empty()) {
        if (path.empty() || path.front() != '/') __builtin_trap();
        if (path.size() > 1 && path.back() == '/') __builtin_trap();
        if (path.find("/../") != std::string::npos || path.find("/./") != std::string::npos ||
            path.find("//") != std::string::npos)
            __builtin_trap();
        if (path.size() >= 3 && path.compare(path.size() - 3, 3, "/..") == 0) __builtin_trap();
    }

    TextEncoding detected;
    const std::string utf8 = DecodeText(text, pages[data[0] % 15], &detected);
    if (!IsValidUtf8(utf8)) __builtin_trap();
    const std::string back = EncodeText(utf8, detected);
    if (back.size() > utf8.size() * 4 + 4) __builtin_trap();
    if (detected.name == "UTF-8" && !detected.byteOrderMark && back != text) __builtin_trap();
    if (CutUtf8(utf8, data[0]).size() > data[0] || !IsValidUtf8(CutUtf8(utf8, data[0]))) __builtin_trap();
    return 0;
}
