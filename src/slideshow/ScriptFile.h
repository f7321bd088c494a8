#pragma once
// Writing and reading slideshow scripts: a first line the reader ignores,
// then one photo path per line, CR LF between lines and none after the last.
// Paths are written drive-free (":" and the path below the photo's drive) or
// whole, and read back by the rules for paths in files: ":" or a drive letter
// means the program's drive, "\" separates like "/".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Drives.h"

namespace vellumo {

// The first line of every script written.
inline constexpr const char* kScriptFirstLine =
    "format=1000   ; after semicolon may be your comment (only on this line)";
// Scripts larger than this are read up to here only.
inline constexpr std::uint64_t kScriptReadLimit = 64ull << 20;

// The file name of a new script: prefix (empty: "_list"), the smallest number
// from 1 whose file exists in none of the folders (in any letter case), then
// ".script.txt".
std::string NextScriptName(const std::vector<std::string>& folders, const std::string& prefix);

// How a path is written into a script: whole, or from below its drive with a
// leading ":" ("/media/cd/Trip/a.jpg" on "/media/cd" gives ":/Trip/a.jpg").
// drives are the listed drive roots; a path on none of them is written whole.
std::string ScriptLineFor(const std::string& path, bool absolutePaths, const std::vector<Drive>& drives);

// The whole text of a script of these paths. Paths holding a line break or a
// NUL cannot be written as a line and are left out.
std::string ScriptText(const std::vector<std::string>& paths, bool absolutePaths, const std::vector<Drive>& drives);

// The photo path a script line names, read by the rules for paths in files.
// Nothing for an empty line, a line that is not a photo file name, and a line
// whose ".." components climb out of the drive (or the root) it starts from.
// Whether the file exists is the caller's test.
std::optional<std::string> ScriptLinePath(std::string_view line, const std::string& programFolder,
                                          const std::string& programDrive);

// The lines of a script's text after its first one (CR LF, LF or CR ends a
// line; nothing else is trimmed). No text, or no first line, gives none.
std::vector<std::string_view> ScriptPathLines(std::string_view text);

}  // namespace vellumo
