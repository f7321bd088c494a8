#include "qt/QtDesktop.h"

#include "qt/ScreenColourProfile.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>

#include "qt/DevicePixels.h"
#include "qt/ListChoiceDialog.h"
#include "qt/NavigatorIcons.h"

namespace vellumo {

Rect QtDesktop::screenRect() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {0, 0, 1024, 768};
    const QRect g = screen->geometry();
    return ToDevicePlace(QRect(0, 0, g.width(), g.height()));
}

std::vector<std::uint8_t> QtDesktop::screenColourProfile() const { return ReadScreenColourProfile(parent_); }

double QtDesktop::devicePixelRatio() const { return DeviceRatio(); }

void QtDesktop::beep(BeepKind) { QApplication::beep(); }

bool QtDesktop::isKeyDown(int virtualKey) const {
    Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    switch (virtualKey) {
        case 0x10: return m & Qt::ShiftModifier;
        case 0x11: return m & Qt::ControlModifier;
        case 0x12: return m & Qt::AltModifier;
        default: return false;
    }
}

MessageBoxResult QtDesktop::messageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) {
    QString t = QString::fromStdString(text);
    QString c = QString::fromStdString(caption);
    switch (kind) {
        case MessageBoxKind::YesNo: {
            auto r = QMessageBox::question(parent_, c, t, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            return r == QMessageBox::Yes ? MessageBoxResult::Yes : MessageBoxResult::No;
        }
        case MessageBoxKind::YesNoInformation: {
            auto r = QMessageBox::information(parent_, c, t, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            return r == QMessageBox::Yes ? MessageBoxResult::Yes : MessageBoxResult::No;
        }
        case MessageBoxKind::Error:
            QMessageBox::critical(parent_, c, t);
            return MessageBoxResult::Ok;
        case MessageBoxKind::Information:
        default:
            QMessageBox::information(parent_, c, t);
            return MessageBoxResult::Ok;
    }
}

bool QtDesktop::startProcess(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    QStringList args;
    for (size_t i = 1; i < argv.size(); ++i) args << QString::fromStdString(argv[i]);
    return QProcess::startDetached(QString::fromStdString(argv[0]), args);
}

std::unique_ptr<ChildProcess> QtDesktop::startChild(const std::vector<std::string>& argv) {
    return StartChildProcess(argv);
}

std::optional<std::string> QtDesktop::chooseFromList(const ListChoice& choice) {
    return ListChoiceDialog::Run(choice, parent_);
}

bool QtDesktop::shellOpen(const std::string& path) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(path)});
}

void QtDesktop::setClipboardText(const std::string& utf8) {
    if (QClipboard* cb = QGuiApplication::clipboard()) cb->setText(QString::fromStdString(utf8));
}

Point QtDesktop::cursorPosition() const {
    QPoint p = QCursor::pos();
    if (parent_) p = parent_->mapFromGlobal(p);
    return ToDevice(QPointF(p));
}

void QtDesktop::moveCursor(Point p) {
    QPoint global = ToLogical(p);
    if (parent_) global = parent_->mapToGlobal(global);
    QCursor::setPos(global);
}

void QtDesktop::setScreenSaverInhibited(bool inhibited) {
    if (inhibited == inhibited_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusInterface saver(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                         QStringLiteral("org.freedesktop.ScreenSaver"), bus);
    if (!saver.isValid()) return;
    if (inhibited) {
        QDBusReply<uint> reply = saver.call(QStringLiteral("Inhibit"), QStringLiteral("Vellumo"),
                                            QStringLiteral("Slideshow running"));
        if (reply.isValid()) {
            inhibitCookie_ = reply.value();
            inhibited_ = true;
        }
    } else {
        saver.call(QStringLiteral("UnInhibit"), inhibitCookie_);
        inhibited_ = false;
    }
}

}  // namespace vellumo

namespace vellumo {

namespace {

void FillMenu(QMenu& menu, const std::vector<MenuItem>& items, const QList<QPixmap>& icons) {
    for (const auto& item : items) {
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        QString text = QString::fromStdString(item.text);
        if (!item.children.empty()) {
            QMenu* sub = menu.addMenu(text);
            FillMenu(*sub, item.children, icons);
            sub->setEnabled(item.enabled);
            continue;
        }
        QAction* action = menu.addAction(text);
        action->setData(item.id);
        action->setEnabled(item.enabled);
        if (item.checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        if (item.icon >= 0 && item.icon < icons.size()) action->setIcon(QIcon(icons[item.icon]));
        if (item.isDefault) menu.setDefaultAction(action);
    }
}

}  // namespace

int QtDesktop::popupMenu(const std::vector<MenuItem>& items, Point at, MenuAlign align) {
    QMenu menu(parent_);
    FillMenu(menu, items, NavigatorIcons(16));
    QPoint global = parent_ ? parent_->mapToGlobal(ToLogical(at)) : ToLogical(at);
    if (align == MenuAlign::RightVerticalCenter) {
        QSize size = menu.sizeHint();
        global -= QPoint(size.width(), size.height() / 2);
    } else if (align == MenuAlign::Centered) {
        QSize size = menu.sizeHint();
        global -= QPoint(size.width() / 2, size.height() / 2);
    }
    global.setX(std::max(0, global.x()));
    global.setY(std::max(0, global.y()));
    QAction* chosen = menu.exec(global);
    return chosen ? chosen->data().toInt() : 0;
}

}  // namespace vellumo
