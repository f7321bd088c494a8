// make-program-files DIR
//   Writes the files a program folder carries beside the viewer, as the viewer
//   itself would create them on a first start: lang/English.lang.txt and
//   keys/Default.keys.txt. An installed copy ships them, so a read-only
//   installation still shows a complete file to look at and copy.
#include <cstdio>
#include <string>

#include "config/Hotkeys.h"
#include "config/Language.h"
#include "config/Settings.h"
#include "platform/Files.h"
#include "platform/Paths.h"

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: make-program-files DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!vellumo::MakeFolders(dir)) {
        std::fprintf(stderr, "make-program-files: cannot make %s\n", dir.c_str());
        return 1;
    }
    vellumo::Settings settings;
    vellumo::Language language;
    language.LoadLanguage("English", dir, settings);
    vellumo::HotkeySet keys = vellumo::LoadHotkeys(dir, "Default");
    const std::string lang = vellumo::JoinPath(dir, "lang/English.lang.txt");
    if (!vellumo::IsRegularFile(lang) || !keys.fileWritten) {
        std::fprintf(stderr, "make-program-files: cannot write the files into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
