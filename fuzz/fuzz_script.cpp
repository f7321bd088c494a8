// The slideshow script reader on arbitrary file contents: the text is split
// into lines after the first, and every line is read as a photo path of a
// program on "/media/cd". Whatever the bytes, a path that comes back is
// absolute, holds no "." or ".." component, no NUL and no empty component,
// and a drive-free or relative line stays on the program's drive.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "slideshow/ScriptFile.h"

using namespace vellumo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = DecodeText(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string folder = "/media/cd/prog", drive = "/media/cd";
    for (std::string_view line : ScriptPathLines(text)) {
        if (line.find_first_of("\r\n") != std::string_view::npos) __builtin_trap();
        auto path = ScriptLinePath(line, folder, drive);
        if (!path) continue;
        const std::string& p = *path;
        if (p.empty() || p[0] != '/' || p.find('\0') != std::string::npos) __builtin_trap();
        if (p.find("//") != std::string::npos || p.find("/./") != std::string::npos ||
            p.find("/../") != std::string::npos || p.back() == '/')
            __builtin_trap();
        if (!line.empty() && line[0] != '/' && !PathContains(drive, p)) __builtin_trap();
    }
    return 0;
}
