#pragma once
// Small file-system helpers used by every subsystem.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellumo {

bool FileExists(const std::string& path);       // any kind of entry (follows links)
bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);

// Opens a regular file for reading; anything else (a FIFO, socket or device
// of that name) is refused without being opened. The descriptor (blocking,
// close-on-exec) or -1.
int OpenRegularFileForReading(const std::string& path);

// Reads a whole regular file; nothing when it cannot be opened or is not a
// regular file. Reads at most maxBytes bytes.
std::optional<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxBytes = UINT64_MAX);
// Reads a whole regular file of at most `limit` bytes; nothing when it is
// larger (a text file of gigabytes is no settings file) or cannot be read.
std::optional<std::string> ReadFileNoLargerThan(const std::string& path, std::uint64_t limit);
// The largest settings, hotkeys or language file that is read.
constexpr std::uint64_t kProfileFileLimit = 16u << 20;

// A symbolic link that leads back to itself (no target can be reached).
bool IsLinkLoop(const std::string& path);

// Replaces the file's content in one step: writes a temporary file in the same
// folder and renames it over the old one, so a crash or a full disk leaves the
// old file or the new one, never a mix. Keeps the old file's permissions.
// Returns false (leaving the old file untouched) when anything fails.
// A symbolic link is written through: its final target gets the new content
// (the temporary file lies in the target's folder) and the link stays.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// Creates an empty file that does not exist yet; an existing file is never
// touched (true when it is a regular file). False when it cannot be made.
bool CreateEmptyFile(const std::string& path);
// Deletes a file (not a folder); true when it is gone.
bool RemoveFile(const std::string& path);
// The path a chain of symbolic links ends at (the path itself when it is no
// link; a loop or a chain longer than 40 links gives the path itself).
std::string FinalLinkTarget(const std::string& path);

// Both paths name one file (same device and inode); for paths that do not
// exist, the same text.
bool SameFile(const std::string& a, const std::string& b);

// Creates one folder level; true when it exists afterwards.
bool MakeFolder(const std::string& path);
// Creates the folder and every missing folder above it; true when it exists afterwards.
bool MakeFolders(const std::string& path);

// The names of a folder's entries (without "." and ".."); empty when it cannot be read.
std::vector<std::string> ListFolderNames(const std::string& folder);

// A file name the program derives from another name may have been written on
// Windows in another case: returns the path itself when it exists, else the
// first entry of its folder equal to its name ignoring ASCII case, else the
// path itself (the name a new file gets).
std::string ResolveDerivedName(const std::string& path);

}  // namespace vellumo
