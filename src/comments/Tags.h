#pragma once
// Tags in comment texts and in the Navigator caption: "<NAME>text</NAME>"
// shows the text only while a condition holds, "<!NAME>text</!NAME>" only
// while it does not. Names (any case): REM (never), the interface language's
// name such as ENGLISH (always), SLIDESHOW (a slideshow runs), SOUND (sound
// comments are on), MUSIC (background music plays); any other name is never
// shown, negated or not. A tag left open runs to the end of the text; a
// closing tag that closes nothing is dropped; a "<" that starts no tag (a
// white space or the end comes before any ">") is ordinary text.
#include <string>
#include <string_view>

namespace vellumo {

enum class TagKind { Other = 0, Rem = 1, Language = 2, Slideshow = 3, Sound = 4, Music = 5 };

struct TagState {
    std::string languageName;  // the ApplicationLanguage setting (any case)
    bool slideshowRunning = false;
    bool soundCommentsOn = false;
    bool musicPlaying = false;
};

std::string ApplyTags(std::string_view text, const TagState& state);

}  // namespace vellumo
