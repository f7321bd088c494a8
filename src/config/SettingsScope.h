#pragma once
// One level of settings (archive, folder, photo or slideshow script) with its
// files and record, and the operations that read and write one settings file.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/ProgramLocation.h"
#include "config/Settings.h"

namespace vellumo {

class Language;

// Scope kind flags. An ArchiveFromCommandLine scope also carries Archive.
enum ScopeKind : std::uint32_t {
    ScopeArchive = 0x1,
    ScopeArchiveFromCommandLine = 0x2,
    ScopeFolder = 0x4,
    ScopePhoto = 0x8,
    ScopeScript = 0x10,
    ScopeSettingsFileExists = 0x20,
    ScopeCommentFileExists = 0x40,
};

struct SettingsScope {
    std::uint32_t kind = 0;
    std::string settingsFile;  // "" once forgotten (the scope is then never saved)
    std::string commentFile;
    std::string key;           // the path the scope was made for (exact case)
    std::string commentText;   // the attached comment, at most 1023 bytes of the file
    Settings record;
    SettingsChangeSet changes;  // Compare of the enclosing record and this one at load
    SettingsChangeSet present;  // the keys this scope's file holds (for SavePresent)
    std::string registeredFontFile;  // the font file this scope's own file registered
    // The archive scope of a program folder that cannot be written: the user's
    // file holding only the keys that differ from the program folder's file,
    // and the record as that file and the defaults give it.
    std::string userFile;
    Settings baseRecord;

    bool isArchive() const { return (kind & ScopeArchive) != 0; }
    bool hasSettingsFile() const { return (kind & ScopeSettingsFileExists) != 0; }
    bool hasCommentFile() const { return (kind & ScopeCommentFileExists) != 0; }
};

// Turns a path from a settings value, a language text or the command line into
// a full path: rules for paths written in files, against the program folder and
// its drive; one trailing separator is removed first. "" stays "".
std::string ExpandProgramPath(std::string_view text, const ProgramLocation& program);

// What Load needs besides the scope.
struct LoadEnvironment {
    const ProgramLocation* program = nullptr;
    Language* language = nullptr;
    // The current record; may be the scope's own record (the archive at start).
    Settings* current = nullptr;
    // The numbers of all transition effects, for "_all_". When not given, "_all_" stays as written.
    std::function<std::vector<int>()> effectNumbers;
    // The language selection; "" (or not given) gives "English".
    std::function<std::string()> chooseLanguage;
    // Registers a font file with the system font table.
    std::function<void(const std::string& path)> registerFontFile;
};

// Reads the scope's settings file into its record; fills its present and change
// sets. With writeBack (archive-level scopes) missing keys take their defaults
// and every key is written back with its annotation, in one save; without it
// only keys present in the file change the record and nothing is written.
void Load(SettingsScope& scope, bool writeBack, const LoadEnvironment& env);

// Writes the saved keys whose present bit is set into the scope's settings
// file (only when the file exists). viewerScaleLetter is the viewer's current
// scale mode letter, stored into ScaleStart while ScaleSavingMode is 1.
void SavePresent(SettingsScope& scope, char viewerScaleLetter);

// Writes every key of the record commented out ("#Key=value") into the file.
bool WriteVoidTemplate(const Settings& record, const std::string& path);

}  // namespace vellumo
