#include "app/CommandLine.h"

#include "platform/Paths.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {
bool EndsWithNoCase(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() && EqualsAsciiNoCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}
}  // namespace

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
