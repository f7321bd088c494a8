#include "config/SelectionDialog.h"

#include <algorithm>
#include <cstring>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

bool HasControlCharacter(const std::string& name) {
    return std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool BeginsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(std::string_view(text).substr(0, prefix.size()), prefix);
}

}  // namespace

const char* SelectionFolder(SelectionUse use) { return use == SelectionUse::Language ? "lang" : "keys"; }
const char* SelectionSuffix(SelectionUse use) { return use == SelectionUse::Language ? ".lang.txt" : ".keys.txt"; }
const char* SelectionFallback(SelectionUse use) { return use == SelectionUse::Language ? "English" : "Default"; }

std::vector<std::string> ListSelectionNames(SelectionUse use, const std::string& programFolder,
                                            const std::string& userFolder) {
    const std::string_view suffix = SelectionSuffix(use);
    std::vector<std::string> names;
    for (const std::string& base : {programFolder, userFolder}) {
        if (base.empty()) continue;
        const std::string folder = JoinPath(base, SelectionFolder(use));
        for (const auto& file : ListFolderNames(folder)) {
            if (file.size() < suffix.size() ||
                !EqualsAsciiNoCase(std::string_view(file).substr(file.size() - suffix.size()), suffix))
                continue;
            std::string name = file.substr(0, FindAsciiNoCase(file, suffix));
            if (name.empty() || HasControlCharacter(name)) continue;
            if (!IsRegularFile(JoinPath(folder, file))) continue;
            if (std::find(names.begin(), names.end(), name) != names.end()) continue;
            names.push_back(std::move(name));
        }
    }
    std::stable_sort(names.begin(), names.end(), LessNoCase{});
    return names;
}

ListChoice PrepareSelection(SelectionUse use, const std::string& programFolder, const std::string& nameInUse,
                            const Language* loaded, const std::string& userFolder) {
    ListChoice choice;
    if (loaded) {
        choice.caption = loaded->text(use == SelectionUse::Language ? LanguageKey::SelectLanguage
                                                                    : LanguageKey::SelectHotkeys);
        choice.okText = loaded->text(LanguageKey::OK);
        choice.cancelText = loaded->text(LanguageKey::Cancel);
    } else {
        choice.caption = "Select language";
        choice.okText = "OK";
        choice.cancelText = "Cancel";
    }
    choice.items = ListSelectionNames(use, programFolder, userFolder);
    const size_t filesFound = choice.items.size();
    std::string selectedName = nameInUse;
    if (filesFound == 0) {
        selectedName = SelectionFallback(use);
        choice.items.push_back(selectedName);
    }
    for (size_t i = 0; i < choice.items.size(); ++i) {
        if (BeginsWithNoCase(choice.items[i], selectedName)) {
            choice.selected = static_cast<int>(i);
            break;
        }
    }
    if (choice.selected < 0 && filesFound == 1) choice.selected = 0;
    return choice;
}

std::string SelectionResult(SelectionUse use, const std::string& chosen) {
    return chosen.empty() ? std::string(SelectionFallback(use)) : chosen;
}

}  // namespace vellumo
