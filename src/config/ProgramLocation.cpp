#include "config/ProgramLocation.h"

#include <unistd.h>

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

ProgramLocation ProgramLocation::OfThisProcess() {
    std::string exe;
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) exe.assign(buffer, static_cast<size_t>(n));
    if (exe.empty()) exe = "/usr/local/bin/vellumo";
    return FromExecutable(exe, ListDrives());
}

}  // namespace vellumo
