#pragma once
// Macros in comment texts and in the Navigator caption: words between percent
// signs replaced by values of the current photo, folder, slideshow and music.
// %ROTATE_LEFT% and %ROTATE_RIGHT% are removed and turn the photo instead.
//
// The text is scanned once from the start; values put in are not scanned
// again, so a file name that holds a macro name stays as it is.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "comments/MacroQueries.h"

namespace vellumo {

// MacroFlags bits, in table order.
enum MacroBit : std::uint32_t {
    MacroFileName = 0x1,
    MacroShortFileName = 0x2,
    MacroFolderName = 0x4,
    MacroPath = 0x8,
    MacroImageWidth = 0x10,
    MacroImageHeight = 0x20,
    MacroImageSizeK = 0x40,
    MacroImageSizeM = 0x80,
    MacroRotateLeft = 0x100,
    MacroRotateRight = 0x200,
    MacroCurrentFolder = 0x400,
    MacroSlideshowCount = 0x800,
    MacroSlideshowCurrent = 0x1000,
    MacroMusicFileName = 0x2000,
    MacroMusicShortFileName = 0x4000,
};
// The bits that depend on the photo shown (a caption holding one is rebuilt on every photo).
inline constexpr std::uint32_t kPhotoMacroBits = 0x3FF;

// The macro names in table order (bit 1 << index).
const std::array<std::string_view, 15>& MacroNames();

struct MacroContext {
    std::string photoPath;  // "" when no photo is shown
    int imageWidth = 0;     // the bitmap size
    int imageHeight = 0;
    const MacroQueries* queries = nullptr;  // nullptr answers "nothing"
};

struct MacroExpansion {
    std::string text;
    std::uint32_t flags = 0;      // MacroFlags: the bits of the macros present
    double rotationAngle = 0.0;   // radians, positive is left
    bool rotate = false;          // a rotation macro occurred
};

// Without a photo every macro but %CURRENT_FOLDER% is removed. The size
// macros stay in the text when the photo file cannot be read; every other
// macro without a value becomes "".
MacroExpansion ExpandMacros(std::string_view text, const MacroContext& context);

// Command 155: the macro names, each followed by CR LF, an empty line, then the
// tags <REM>  </REM>, the language's, SLIDESHOW, SOUND and MUSIC, one a line.
std::string MacroAndTagList(std::string_view languageNameUpper);

}  // namespace vellumo
