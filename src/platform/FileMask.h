#pragma once
// File masks as archives made on Windows use them: "*" stands for any run of
// characters, "?" for one character, and names match ignoring case, so
// "*.mp3" finds TRACK01.MP3. A mask ending in ".*" also matches names without
// a dot ("*.*" matches every name).
#include <string_view>

namespace vellumo {

bool MatchesFileMask(std::string_view name, std::string_view mask);

}  // namespace vellumo
