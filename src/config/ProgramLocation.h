#pragma once
// Where the program lives: its executable, the program folder beside which all
// its own files are kept, its base name and the drive of the program folder.
#include <string>
#include <vector>

#include "platform/Drives.h"

namespace vellumo {

struct ProgramLocation {
    std::string executable;  // full path of the program file
    std::string folder;      // the program folder
    std::string baseName;    // file name without extension ("vellumo")
    std::string drive;       // the listed drive holding the program folder
    // Where the files the program would write into its folder go when that
    // folder cannot be written (an installed copy, a disc): a folder of the
    // user's own; "" when the program folder is writable.
    std::string userFolder;

    // The copy of a program-folder file ("lang/English.lang.txt") in the user
    // folder; "" without a user folder.
    std::string userCopy(const std::string& relative) const;

    // The file next to the program with the extension swapped ("ini", "bmp", "wav", "ni", "txt", "cache").
    std::string sibling(const std::string& extension) const;

    static ProgramLocation FromExecutable(const std::string& executable, const std::vector<Drive>& drives);
    // The running program, from /proc/self/exe.
    static ProgramLocation OfThisProcess();
};

// Where a file of a program-folder subfolder ("lang", "keys") is read and
// where it is written: beside the program, or with a user folder the user's
// copy (read when it exists) in that folder's own subfolder.
struct ProgramFileCopy {
    std::string readPath;
    std::string writePath;
    std::string writeFolder;
};
ProgramFileCopy LocateProgramFile(const std::string& programFolder, const std::string& subfolder,
                                  const std::string& fileName, const std::string& userFolder);

// The user folder of a program folder: $XDG_CONFIG_HOME/vellumo (or
// ~/.config/vellumo) and below it one folder named after the program folder's
// path, with "%" and "/" written as "%25" and "%2F" so no two paths share one.
std::string UserFolderFor(const std::string& programFolder);

}  // namespace vellumo
