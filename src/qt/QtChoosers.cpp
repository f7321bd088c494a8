// The font and colour choosers and the screen text measuring of QtDesktop.
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QPushButton>

#include "qt/QtCanvas.h"
#include "qt/QtDesktop.h"

namespace vellumo {

namespace {

// The dialogs' OK and Cancel buttons carry the language's texts.
void LabelButtons(QDialog& dialog, const std::string& okText, const std::string& cancelText) {
    for (QDialogButtonBox* box : dialog.findChildren<QDialogButtonBox*>()) {
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok); ok && !okText.empty())
            ok->setText(QString::fromStdString(okText));
        if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel); cancel && !cancelText.empty())
            cancel->setText(QString::fromStdString(cancelText));
    }
}

}  // namespace

std::optional<std::string> QtDesktop::chooseFontFace(const FontSpec& initial, const std::string& caption,
                                                     const std::string& okText, const std::string& cancelText) {
    QFontDialog dialog(ToQFont(initial), parent_);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    dialog.setOption(QFontDialog::ScalableFonts);
    dialog.setWindowTitle(QString::fromStdString(caption));
    LabelButtons(dialog, okText, cancelText);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedFont().family().toStdString();
}

std::optional<ColorRef> QtDesktop::chooseColour(ColorRef initial, const std::string& caption,
                                                const std::string& okText, const std::string& cancelText) {
    QColorDialog dialog(QColor(RedOf(initial), GreenOf(initial), BlueOf(initial)), parent_);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QString::fromStdString(caption));
    LabelButtons(dialog, okText, cancelText);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    QColor c = dialog.selectedColor();
    return Rgb(c.red(), c.green(), c.blue());
}

Size QtDesktop::measureText(const std::string& utf8, int width, const FontSpec& font, unsigned flags) {
    return QtCanvas::Measure(utf8, width, font, flags);
}

}  // namespace vellumo
