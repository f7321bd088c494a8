#pragma once
// Slideshow script files of the program folder.
#include <string>
#include <vector>

namespace vellumo {

inline constexpr const char* kScriptSuffix = ".script.txt";

// The names of the script files in the folder (names ending in ".script.txt",
// compared ignoring case), sorted ignoring case.
std::vector<std::string> ListScripts(const std::string& programFolder);

// A script's menu text: its name without the ".script.txt" ending.
std::string ScriptMenuText(const std::string& fileName);

}  // namespace vellumo
