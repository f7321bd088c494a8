#include "app/SelectionDialogs.h"

namespace vellumo {

SelectionDialogs::SelectionDialogs(Desktop& desktop, ScopeStack& scopes, const ProgramLocation& program,
                                   std::function<void(const std::string& name)> loadHotkeys)
    : desktop_(desktop), scopes_(scopes), program_(program), loadHotkeys_(std::move(loadHotkeys)) {}

std::optional<std::string> SelectionDialogs::show(const ListChoice& choice) {
    // A dialog never opens inside another one.
    if (open_) return std::nullopt;
    open_ = true;
    std::optional<std::string> chosen = desktop_.chooseFromList(choice);
    open_ = false;
    return chosen;
}

std::string SelectionDialogs::chooseFirstLanguage() {
    auto chosen = show(PrepareSelection(SelectionUse::Language, program_.folder, "", nullptr, program_.userFolder));
    if (!chosen) return {};
    return SelectionResult(SelectionUse::Language, *chosen);
}

bool SelectionDialogs::run(SelectionUse use) {
    const Settings& current = scopes_.current();
    const std::string& inUse = use == SelectionUse::Language ? current.ApplicationLanguage : current.CommandsHotkeys;
    auto chosen = show(PrepareSelection(use, program_.folder, inUse, &scopes_.language(), program_.userFolder));
    if (!chosen) return false;
    std::string name = SelectionResult(use, *chosen);
    // Kept for the next start; shown now unless the shown folder's own
    // settings file names another.
    if (use == SelectionUse::Language) {
        if (!scopes_.StoreUserChoice(ScopeStack::UserChoice::Language, name)) return false;
        scopes_.LoadLanguage(name);
    } else {
        if (!scopes_.StoreUserChoice(ScopeStack::UserChoice::Hotkeys, name)) return false;
        if (loadHotkeys_) loadHotkeys_(name);
    }
    return true;
}

}  // namespace vellumo
