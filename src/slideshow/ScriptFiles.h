#pragma once
// Slideshow script files of the program folder.
#include <string>
#include <vector>

namespace vellumo {

inline constexpr const char* kScriptSuffix = ".script.txt";

// The names of the script files in the folder (names ending in ".script.txt",
// compared ignoring case), sorted ignoring case.
std::vector<std::string> ListScripts(const std::string& programFolder);

// The scripts offered at a total slideshow's start, as full paths sorted by
// name ignoring case: those of the program folder, then those of the user
// folder (where scripts go when the program folder cannot be written) whose
// names the program folder does not have.
std::vector<std::string> ListScriptPaths(const std::string& programFolder, const std::string& userFolder);

// A script's menu text: its name without the ".script.txt" ending.
std::string ScriptMenuText(const std::string& fileName);

}  // namespace vellumo
