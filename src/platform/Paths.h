#pragma once
// POSIX paths inside the program: joined with "/", no trailing "/" except the
// root itself. Identity and containment go by whole components, exact in case.
#include <string>
#include <string_view>

namespace vellumo {

// "/" + "x" gives "/x"; "a" + "b" gives "a/b"; an empty side gives the other.
std::string JoinPath(std::string_view folder, std::string_view name);
// The parent of "/x" is "/"; the root and names without a "/" have no parent ("").
std::string ParentPath(std::string_view path);
// The last component ("" for the root).
std::string FileNameOf(std::string_view path);
// Replaces the text after the last dot of the file name by the extension, or
// appends "." and the extension when the name has no dot.
std::string ReplaceExtension(std::string_view path, std::string_view extension);
// The extension of the file name without its dot ("" when it has none).
std::string ExtensionOf(std::string_view path);
// True when inner equals outer or lies below it.
bool PathContains(std::string_view outer, std::string_view inner);
// Makes an absolute path canonical in form: no "//", no "." components, ".."
// steps up (never above "/"), no trailing "/". Does not touch the disk.
std::string NormalizePath(std::string_view absolute);
// Resolves a path typed on the command line against the working folder.
std::string AbsoluteFromWorkingFolder(std::string_view path, std::string_view workingFolder);

// Reads a path written in a settings file, a script or a language text, which
// may come from Windows: "\" separates like "/"; a leading "/" is absolute; a
// leading single "\" or no prefix means below the program folder; a leading ":"
// or drive letter and colon means the given drive of the program folder;
// "." and ".." step from the program folder; "/" stays "/"; "" stays "".
std::string ReadPathFromFile(std::string_view text, std::string_view programFolder,
                             std::string_view programDrive);

// The file next to the program with the given extension (see ReplaceExtension).
std::string ProgramSibling(std::string_view programPath, std::string_view extension);

}  // namespace vellumo
