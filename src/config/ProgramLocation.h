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

    // The file next to the program with the extension swapped ("ini", "bmp", "wav", "ni", "txt", "cache").
    std::string sibling(const std::string& extension) const;

    static ProgramLocation FromExecutable(const std::string& executable, const std::vector<Drive>& drives);
    // The running program, from /proc/self/exe.
    static ProgramLocation OfThisProcess();
};

}  // namespace vellumo
