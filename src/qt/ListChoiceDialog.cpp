#include "qt/ListChoiceDialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace vellumo {

ListChoiceDialog::ListChoiceDialog(const ListChoice& choice, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromStdString(choice.caption));
    setModal(true);
    list_ = new QListWidget(this);
    for (const auto& item : choice.items) list_->addItem(QString::fromStdString(item));
    if (choice.selected >= 0 && choice.selected < list_->count()) {
        list_->setCurrentRow(choice.selected);
        list_->scrollToItem(list_->currentItem());
    }
    auto* ok = new QPushButton(QString::fromStdString(choice.okText), this);
    auto* cancel = new QPushButton(QString::fromStdString(choice.cancelText), this);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        list_->setCurrentItem(item);
        accept();
    });

    // The list on the left, the two buttons stacked at the top right, as
    // small as the names allow.
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    list_->setMinimumSize(170, 200);
    list_->setFocus();
}

std::string ListChoiceDialog::selectedText() const {
    QListWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected()) return {};
    return item->text().toStdString();
}

std::optional<std::string> ListChoiceDialog::Run(const ListChoice& choice, QWidget* parent) {
    ListChoiceDialog dialog(choice, parent);
    // At the first start the viewer window is not shown yet: centre on the screen.
    if (!parent || !parent->isVisible()) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            dialog.adjustSize();
            dialog.move(screen->geometry().center() - dialog.rect().center());
        }
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedText();
}

}  // namespace vellumo
