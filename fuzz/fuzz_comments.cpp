// Comment composition on arbitrary bytes: macro expansion and tags over the
// text, the descript.ion search for a name, and the rotation macro rewrite.
// The input is: one byte of states, then the comment text, the photo's file
// name and the descript.ion data, separated by 0x01 bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "comments/DescriptIon.h"
#include "comments/Macros.h"
#include "comments/RotationMacro.h"
#include "comments/Tags.h"

using namespace vellumo;

namespace {

struct Queries : MacroQueries {
    bool running = false, music = false;
    std::string currentFolder() const override { return "/archive/%PATH%<SOUND>"; }
    bool slideshowRunning() const override { return running; }
    std::optional<SlideshowPlace> slideshowPlace() const override {
        return running ? std::optional<SlideshowPlace>(SlideshowPlace{10, 250}) : std::nullopt;
    }
    bool musicPlaying() const override { return music; }
    std::string musicFile() const override { return "/music/%FILE_NAME%.mp3"; }
};

std::string_view NextPart(std::string_view& rest) {
    size_t sep = rest.find('\x01');
    std::string_view part = rest.substr(0, sep);
    rest = sep == std::string_view::npos ? std::string_view() : rest.substr(sep + 1);
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t states = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string_view text = NextPart(rest);
    const std::string_view name = NextPart(rest);
    const std::string_view descript = rest;

    Queries queries;
    queries.running = states & 1;
    queries.music = states & 2;
    const std::string photo = (states & 4) ? std::string() : "/d/" + std::string(name);
    MacroExpansion expanded = ExpandMacros(text, {photo, 640, 480, &queries});
    // One pass: each macro gives at most a short value or the photo's path.
    if (expanded.text.size() > text.size() * (64 + photo.size()) + 4096) __builtin_trap();

    TagState tags;
    tags.languageName = (states & 8) ? "English" : "";
    tags.slideshowRunning = queries.running;
    tags.soundCommentsOn = states & 16;
    tags.musicPlaying = queries.music;
    const std::string shown = ApplyTags(expanded.text, tags);
    if (shown.size() > expanded.text.size()) __builtin_trap();

    const std::string description = FindDescription(descript, name);
    if (description.size() > 1023) __builtin_trap();

    const std::string rewritten = RewriteRotationMacros(text, descript, states & 32);
    if (rewritten.size() < descript.size() || rewritten.find(descript) == std::string::npos) __builtin_trap();
    return 0;
}
