#pragma once
// Runs the language and hotkeys selection dialogs and keeps the dialog-open
// state: while a dialog is open no key becomes a command and no command list
// runs. The viewer window does the window side (focus, repaint) around a run.
#include <functional>
#include <string>

#include "config/ScopeStack.h"
#include "config/SelectionDialog.h"
#include "platform/Desktop.h"

namespace vellumo {

class SelectionDialogs {
public:
    // loadHotkeys loads a hotkeys set by name and stores the name into the
    // current record.
    SelectionDialogs(Desktop& desktop, ScopeStack& scopes, const ProgramLocation& program,
                     std::function<void(const std::string& name)> loadHotkeys);

    bool isOpen() const { return open_; }

    // The first start (the archive names no language): the dialog with its
    // own texts; returns the chosen name, "" on Cancel.
    std::string chooseFirstLanguage();

    // Commands 170 and 171: the dialog with the loaded language's texts and
    // the name in use preselected; OK loads the choice (or the fallback when
    // nothing was selected). Returns whether something was loaded.
    bool RunLanguageSelection() { return run(SelectionUse::Language); }
    bool RunHotkeysSelection() { return run(SelectionUse::Hotkeys); }
    bool run(SelectionUse use);

private:
    std::optional<std::string> show(const ListChoice& choice);

    Desktop& desktop_;
    ScopeStack& scopes_;
    const ProgramLocation& program_;
    std::function<void(const std::string&)> loadHotkeys_;
    bool open_ = false;
};

}  // namespace vellumo
