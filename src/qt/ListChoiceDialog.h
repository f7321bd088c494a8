#pragma once
// The small modal dialog that lists names (the language and hotkeys files)
// with OK and Cancel: a double click on a name acts as OK.
#include <QDialog>
#include <optional>
#include <string>

#include "platform/Desktop.h"

class QListWidget;

namespace vellumo {

class ListChoiceDialog : public QDialog {
    Q_OBJECT
public:
    ListChoiceDialog(const ListChoice& choice, QWidget* parent);
    // The selected name ("" when none is selected).
    std::string selectedText() const;

    // Runs the dialog modally: the selected text on OK, nothing on Cancel.
    static std::optional<std::string> Run(const ListChoice& choice, QWidget* parent);

private:
    QListWidget* list_ = nullptr;
};

}  // namespace vellumo
