#include "config/ProgramLocation.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace vellumo {

std::string ProgramLocation::sibling(const std::string& extension) const { return ReplaceExtension(executable, extension); }

ProgramLocation ProgramLocation::FromExecutable(const std::string& executable, const std::vector<Drive>& drives) {
    ProgramLocation l;
    l.executable = executable;
    l.folder = ParentPath(executable);
    if (l.folder.empty()) l.folder = "/";
    std::string name = FileNameOf(executable);
    auto dot = name.rfind('.');
    l.baseName = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);
    l.drive = DriveOfPath(drives, l.folder);
    if (l.drive.empty()) l.drive = "/";
    return l;
}

std::string ProgramLocation::userCopy(const std::string& relative) const {
    return userFolder.empty() ? std::string() : JoinPath(userFolder, relative);
}

ProgramFileCopy LocateProgramFile(const std::string& programFolder, const std::string& subfolder,
                                  const std::string& fileName, const std::string& userFolder) {
    ProgramFileCopy c;
    c.writeFolder = ResolveDerivedName(JoinPath(programFolder, subfolder));
    c.readPath = c.writePath = ResolveDerivedName(JoinPath(c.writeFolder, fileName));
    if (!userFolder.empty()) {
        c.writeFolder = JoinPath(userFolder, subfolder);
        c.writePath = ResolveDerivedName(JoinPath(c.writeFolder, fileName));
        if (IsRegularFile(c.writePath)) c.readPath = c.writePath;
    }
    return c;
}

std::string UserFolderFor(const std::string& programFolder) {
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') base = config;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/') base = JoinPath(home, ".config");
    else return {};
    std::string key;
    for (char c : programFolder) {
        if (c == '%') key += "%25";
        else if (c == '/') key += "%2F";
        else key += c;
    }
    return JoinPath(JoinPath(NormalizePath(base), "vellumo"), key);
}

ProgramLocation ProgramLocation::OfThisProcess() {
    std::string exe;
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) exe.assign(buffer, static_cast<size_t>(n));
    if (exe.empty()) exe = "/usr/local/bin/vellumo";
    ProgramLocation location = FromExecutable(exe, ListDrives());
    if (access(location.folder.c_str(), W_OK) != 0) location.userFolder = UserFolderFor(location.folder);
    return location;
}

}  // namespace vellumo
