#include "app/CommandLine.h"

#include "platform/Paths.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

// The options Qt and its X11 platform read from the command line: those that
// take a value, and those that stand alone. Either may be written with one
// dash or two, and a value may follow "=".
constexpr std::string_view kToolkitValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry", "qwindowtitle",
    "title",    "qwindowicon",        "icon",          "display", "name",          "visual",  "ncols",
    "cmap",     "im",                 "session",       "style",   "stylesheet",    "qmljsdebugger"};
constexpr std::string_view kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

// The option's name without its dashes and without "=value".
std::string_view OptionName(std::string_view arg) {
    arg.remove_prefix(arg.size() > 1 && arg[1] == '-' ? 2 : 1);
    return arg.substr(0, arg.find('='));
}

template <size_t N>
bool Listed(const std::string_view (&names)[N], std::string_view name) {
    for (std::string_view n : names)
        if (n == name) return true;
    return false;
}

bool EndsWithNoCase(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() && EqualsAsciiNoCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}
}  // namespace

ProgramOptions ProgramOptions::Read(const std::vector<std::string>& argv,
                                    const std::function<bool(const std::string&)>& exists) {
    ProgramOptions o;
    bool optionsEnded = false;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || (exists && exists(arg))) {
            o.arguments.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            o.action = Action::Help;
            return o;
        }
        if (arg == "--version") {
            o.action = Action::Version;
            return o;
        }
        const std::string_view name = OptionName(arg);
        const bool inlineValue = arg.find('=') != std::string::npos;
        if (!inlineValue && Listed(kToolkitFlags, name)) {
            o.toolkitArguments.push_back(arg);
            continue;
        }
        if (Listed(kToolkitValueOptions, name)) {
            o.toolkitArguments.push_back(arg);
            if (!inlineValue && i + 1 < argv.size()) o.toolkitArguments.push_back(argv[++i]);
            continue;
        }
        o.action = Action::UsageError;
        o.badOption = arg;
        return o;
    }
    return o;
}

CommandLine CommandLine::Parse(const std::vector<std::string>& arguments, const std::string& workingFolder) {
    CommandLine result;
    for (const auto& arg : arguments) {
        if (arg.empty()) continue;
        if (EndsWithNoCase(arg, ".ini")) {
            if (result.settingsFile.empty()) result.settingsFile = AbsoluteFromWorkingFolder(arg, workingFolder);
        } else if (EndsWithNoCase(arg, ".script.txt")) {
            if (result.script.empty()) result.script = AbsoluteFromWorkingFolder(arg, workingFolder);
        } else if (result.path.empty()) {
            result.path = AbsoluteFromWorkingFolder(arg, workingFolder);
        }
    }
    return result;
}

}  // namespace vellumo
