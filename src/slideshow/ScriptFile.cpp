#include "slideshow/ScriptFile.h"

#include "archive/ArchiveItem.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "slideshow/ScriptFiles.h"

namespace vellumo {

std::string NextScriptName(const std::vector<std::string>& folders, const std::string& prefix) {
    const std::string stem = prefix.empty() ? std::string("_list") : prefix;
    for (unsigned n = 1;; ++n) {
        std::string name = stem + std::to_string(n) + kScriptSuffix;
        bool taken = false;
        for (const auto& folder : folders) {
            std::string path = JoinPath(folder, name);
            // A file in another letter case (made on Windows) takes the number too.
            taken = taken || FileExists(path) || FileExists(ResolveDerivedName(path));
        }
        if (!taken) return name;
    }
}

std::string ScriptLineFor(const std::string& path, bool absolutePaths, const std::vector<Drive>& drives) {
    if (absolutePaths) return path;
    const Drive* best = nullptr;
    for (const auto& d : drives) {
        if (!PathContains(d.path, path)) continue;
        if (!best || d.path.size() > best->path.size()) best = &d;
    }
    if (!best) return path;
    if (best->path == "/") return ":" + path;
    return ":" + path.substr(best->path.size());
}

std::string ScriptText(const std::vector<std::string>& paths, bool absolutePaths, const std::vector<Drive>& drives) {
    std::string text = kScriptFirstLine;
    for (const auto& p : paths) {
        if (p.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) continue;
        text += "\r\n";
        text += ScriptLineFor(p, absolutePaths, drives);
    }
    return text;
}

namespace {

std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find_first_of("/\\", i);
        if (j == std::string_view::npos) j = path.size();
        if (j > i) parts.emplace_back(path.substr(i, j - i));
        i = j + 1;
    }
    return parts;
}

bool StartsWithDriveLetter(std::string_view s) {
    return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

}  // namespace

std::optional<std::string> ScriptLinePath(std::string_view line, const std::string& programFolder,
                                          const std::string& programDrive) {
    if (line.empty() || line.find('\0') != std::string_view::npos) return std::nullopt;
    const std::string drive = programDrive.empty() ? std::string("/") : programDrive;
    // Where the components start and the folder they may not climb out of.
    std::string start = drive;
    std::string limit = drive;
    std::string_view rest = line;
    if (rest.front() == '/') {
        start = limit = "/";
    } else if (rest.front() == ':') {
        rest.remove_prefix(1);
    } else if (StartsWithDriveLetter(rest)) {
        rest.remove_prefix(2);
    } else {
        start = programFolder.empty() ? drive : programFolder;
        if (!PathContains(limit, start)) limit = "/";
    }
    std::vector<std::string> stack = Components(start);
    const size_t floor = Components(limit).size();
    for (auto& c : Components(rest)) {
        if (c == ".") continue;
        if (c == "..") {
            if (stack.size() <= floor) return std::nullopt;
            stack.pop_back();
            continue;
        }
        stack.push_back(std::move(c));
    }
    if (stack.empty() || !IsPhotoName(stack.back())) return std::nullopt;
    std::string path;
    for (const auto& c : stack) {
        path += '/';
        path += c;
    }
    return path;
}

std::vector<std::string_view> ScriptPathLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t i = 0;
    bool first = true;
    while (i < text.size()) {
        size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos) end = text.size();
        if (!first) lines.push_back(text.substr(i, end - i));
        first = false;
        i = end;
        if (i < text.size()) i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    }
    return lines;
}

}  // namespace vellumo
