#include "platform/Paths.h"

#include <vector>

namespace vellumo {

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    if (name.empty()) return std::string(folder);
    std::string result(folder);
    if (result.back() != '/') result += '/';
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    result += name;
    return result;
}

std::string ParentPath(std::string_view path) {
    if (path.empty() || path == "/") return {};
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    auto slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

std::string FileNameOf(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return {};
    auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    std::string result;
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
        result = std::string(path.substr(0, dot + 1));
    } else {
        result = std::string(path) + ".";
    }
    result += extension;
    return result;
}

std::string ExtensionOf(std::string_view path) {
    std::string name = FileNameOf(path);
    auto dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    return name.substr(dot + 1);
}

bool PathContains(std::string_view outer, std::string_view inner) {
    if (outer.empty()) return false;
    if (inner == outer) return true;
    if (outer == "/") return !inner.empty() && inner.front() == '/';
    return inner.size() > outer.size() && inner.substr(0, outer.size()) == outer && inner[outer.size()] == '/';
}

namespace {

std::vector<std::string_view> SplitComponents(std::string_view text, bool backslashToo) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        bool sep = i == text.size() || text[i] == '/' || (backslashToo && text[i] == '\\');
        if (sep) {
            if (i > start) parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// Applies components to a stack of folders; "." stays, ".." steps up.
std::string Resolve(std::string_view base, const std::vector<std::string_view>& parts) {
    std::vector<std::string> stack;
    for (auto c : SplitComponents(base, false)) stack.emplace_back(c);
    for (auto c : parts) {
        if (c == ".") continue;
        if (c == "..") {
            if (!stack.empty()) stack.pop_back();
            continue;
        }
        stack.emplace_back(c);
    }
    std::string result;
    for (auto& c : stack) {
        result += '/';
        result += c;
    }
    return result.empty() ? "/" : result;
}

}  // namespace

std::string NormalizePath(std::string_view absolute) {
    return Resolve("/", SplitComponents(absolute, false));
}

std::string AbsoluteFromWorkingFolder(std::string_view path, std::string_view workingFolder) {
    if (path.empty()) return {};
    if (path.front() == '/') return NormalizePath(path);
    return Resolve(workingFolder, SplitComponents(path, false));
}

std::string ReadPathFromFile(std::string_view text, std::string_view programFolder,
                             std::string_view programDrive) {
    if (text.empty()) return {};
    if (text == "/") return "/";
    std::string_view base = programFolder;
    std::string_view rest = text;
    if (rest.front() == '/') {
        base = "/";
    } else if (rest.front() == ':') {
        base = programDrive;
        rest.remove_prefix(1);
    } else if (rest.size() >= 2 && rest[1] == ':' &&
               ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'))) {
        base = programDrive;
        rest.remove_prefix(2);
    }
    if (base.empty()) base = "/";
    return Resolve(base, SplitComponents(rest, true));
}

std::string ProgramSibling(std::string_view programPath, std::string_view extension) {
    return ReplaceExtension(programPath, extension);
}

}  // namespace vellumo
