#include "slideshow/ScriptFiles.h"

#include <algorithm>
#include <cstring>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {
bool HasScriptSuffix(const std::string& name) {
    size_t n = std::strlen(kScriptSuffix);
    return name.size() > n && EqualsAsciiNoCase(std::string_view(name).substr(name.size() - n), kScriptSuffix);
}
}  // namespace

std::vector<std::string> ListScripts(const std::string& programFolder) {
    std::vector<std::string> scripts;
    for (auto& name : ListFolderNames(programFolder))
        if (HasScriptSuffix(name) && IsRegularFile(JoinPath(programFolder, name))) scripts.push_back(name);
    std::sort(scripts.begin(), scripts.end(), LessNoCase{});
    return scripts;
}

std::vector<std::string> ListScriptPaths(const std::string& programFolder, const std::string& userFolder) {
    std::vector<std::string> names = ListScripts(programFolder);
    const size_t own = names.size();
    if (!userFolder.empty() && userFolder != programFolder) {
        for (auto& name : ListScripts(userFolder))
            if (std::find(names.begin(), names.begin() + static_cast<long>(own), name) == names.begin() + static_cast<long>(own))
                names.push_back(JoinPath(userFolder, name));
    }
    for (size_t i = 0; i < own; ++i) names[i] = JoinPath(programFolder, names[i]);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return LessNoCase{}(FileNameOf(a), FileNameOf(b)); });
    return names;
}

std::string ScriptMenuText(const std::string& fileName) {
    if (!HasScriptSuffix(fileName)) return fileName;
    return fileName.substr(0, fileName.size() - std::strlen(kScriptSuffix));
}

}  // namespace vellumo
