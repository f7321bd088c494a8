#pragma once
// The program's arguments: an optional archive settings file (ending in
// ".ini"), an optional slideshow script (ending in ".script.txt") and the first
// other argument as the path to open. Arguments are taken as typed (never
// lower-cased); relative paths resolve against the working folder.
#include <string>
#include <vector>

namespace vellumo {

struct CommandLine {
    std::string settingsFile;  // absolute, or empty
    std::string script;        // absolute, or empty
    std::string path;          // absolute, or empty

    static CommandLine Parse(const std::vector<std::string>& arguments, const std::string& workingFolder);
};

}  // namespace vellumo
