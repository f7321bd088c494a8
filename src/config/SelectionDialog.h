#pragma once
// The language and hotkeys selection dialog as data: which files it lists,
// which name it preselects, its texts, and what a choice loads.
#include <string>
#include <vector>

#include "config/Language.h"
#include "platform/Desktop.h"

namespace vellumo {

enum class SelectionUse { Language, Hotkeys };

// The folder below the program folder ("lang", "keys"), the file ending
// (".lang.txt", ".keys.txt") and the name loaded when nothing is chosen
// ("English", "Default").
const char* SelectionFolder(SelectionUse use);
const char* SelectionSuffix(SelectionUse use);
const char* SelectionFallback(SelectionUse use);

// The names of the files in programFolder/<folder> (and userFolder/<folder>,
// where the program keeps its files when its own folder cannot be written)
// whose names end in the suffix (ignoring case), each cut at the first
// occurrence of the suffix, sorted ignoring case, each name once. Names that
// would be empty, or that hold a control character (a line break cannot be
// kept in a settings file), are left out.
std::vector<std::string> ListSelectionNames(SelectionUse use, const std::string& programFolder,
                                            const std::string& userFolder = {});

// The dialog's content. With a loaded language (nullptr at the first start)
// the caption and the buttons come from it; otherwise they are "Select
// language", "OK" and "Cancel". Without files the only item is the fallback
// name. The preselection is the first item beginning with the name in use
// (ignoring case), else the only file when there is exactly one.
ListChoice PrepareSelection(SelectionUse use, const std::string& programFolder, const std::string& nameInUse,
                            const Language* loaded, const std::string& userFolder = {});

// The name to load after OK: the chosen text, or the fallback when it is empty.
std::string SelectionResult(SelectionUse use, const std::string& chosen);

}  // namespace vellumo
