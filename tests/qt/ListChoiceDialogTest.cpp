// The list dialog of the language and hotkeys selection.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>

#include "qt/ListChoiceDialog.h"
#include "qt/QtTestMain.h"

using namespace vellumo;

TEST(ListChoiceDialog, ShowsTheTextsPreselectsAndADoubleClickActsAsOk) {
    TestApplication();
    ListChoice choice;
    choice.caption = "Sprache";
    choice.okText = "Gut";
    choice.cancelText = "Abbrechen";
    choice.items = {"Deutsch", "English", "Fran\xC3\xA7" "ais"};
    choice.selected = 1;
    ListChoiceDialog dialog(choice, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QString("Sprache"));
    EXPECT_EQ(dialog.selectedText(), "English");
    QStringList buttons;
    for (auto* b : dialog.findChildren<QPushButton*>()) buttons << b->text();
    EXPECT_EQ(buttons, (QStringList{"Gut", "Abbrechen"}));
    auto* list = dialog.findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 3);
    emit list->itemDoubleClicked(list->item(2));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedText(), "Fran\xC3\xA7" "ais");

    choice.selected = -1;
    ListChoiceDialog none(choice, nullptr);
    EXPECT_EQ(none.selectedText(), "");
}
