#pragma once
// The two rotation macros of a comment: %ROTATE_LEFT% and %ROTATE_RIGHT% turn
// the photo by a quarter turn for every occurrence. Commands 110 and 113 keep
// the turn in the photo's attached comment file by rewriting these macros.
#include <string>
#include <string_view>

namespace vellumo {

inline constexpr std::string_view kRotateLeftMacro = "%ROTATE_LEFT%";
inline constexpr std::string_view kRotateRightMacro = "%ROTATE_RIGHT%";

// The attached comment file of a photo: its path with the extension replaced
// by "txt" (photo.jpg -> photo.txt), or an existing file of that name in
// another case (PHOTO.TXT).
std::string AttachedCommentFile(const std::string& photoPath);

// Counts the occurrences of a text (non-overlapping).
int CountOccurrences(std::string_view text, std::string_view what);

// The angle the rotation macros of a text give, in radians (positive is left,
// counter-clockwise): a quarter turn per %ROTATE_LEFT% minus one per %ROTATE_RIGHT%.
double RotationMacroAngle(std::string_view text);

// The angle the rotation macros in the attached comment file of a photo give
// (radians, positive is left); 0 when the photo has no attached file. Only
// the part of the file a comment is read from counts (the first 1023 bytes,
// up to a NUL byte). Thread-safe: it only reads the file, and may be called
// from worker threads (the thumbnails use it to turn their pictures).
double RotationMacroAngleOfFile(const std::string& photoPath);

// The new content of an attached comment file after one more quarter turn.
// head is the part of the file a comment is read from (at most 1023 bytes),
// tail the rest of the file, which is kept as it is. The rotation macros of
// the head are removed and the net turn (modulo a full turn) is appended as
// macros after the remaining text; when that would push the macros beyond the
// part that is read, they go first in the file instead.
std::string RewriteRotationMacros(std::string_view head, std::string_view tail, bool left);

// Commands 110 (left) and 113 (right): rewrites the attached comment file of
// the photo, creating it when missing, written in one step (temporary file
// renamed over it). A file left empty is deleted. Gives up silently when the
// file cannot be read or written. Returns true when the file was changed.
bool WriteRotationMacro(const std::string& photoPath, bool left);

}  // namespace vellumo
