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

std::string ScriptMenuText(const std::string& fileName) {
    if (!HasScriptSuffix(fileName)) return fileName;
    return fileName.substr(0, fileName.size() - std::strlen(kScriptSuffix));
}

}  // namespace vellumo
