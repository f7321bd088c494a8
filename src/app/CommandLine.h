#pragma once
// The program's arguments: an optional archive settings file (ending in
// ".ini"), an optional slideshow script (ending in ".script.txt") and the first
// other argument as the path to open. Arguments are taken as typed (never
// lower-cased); relative paths resolve against the working folder.
#include <functional>
#include <string>
#include <vector>

namespace vellumo {

// The options, read before any window or display is needed. An argument
// that names an existing file or folder is always a path (a photo may be
// called "-x.jpg"); "--" ends the options; "-h" and "--help" ask for the
// usage text, "--version" for the version; the window toolkit's own options
// ("-platform offscreen", "-display :1", ...) are passed on to it with their
// values; any other argument beginning with "-" is a usage error.
struct ProgramOptions {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    std::string badOption;                      // the argument not understood
    std::vector<std::string> arguments;         // the program's own arguments, in order
    std::vector<std::string> toolkitArguments;  // the toolkit's options and their values, in order

    // exists tells whether an argument names an existing file or folder.
    static ProgramOptions Read(const std::vector<std::string>& argv, const std::function<bool(const std::string&)>& exists);
};

struct CommandLine {
    std::string settingsFile;  // absolute, or empty
    std::string script;        // absolute, or empty
    std::string path;          // absolute, or empty

    static CommandLine Parse(const std::vector<std::string>& arguments, const std::string& workingFolder);
};

}  // namespace vellumo
