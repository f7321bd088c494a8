#include "platform/qt/QtDesktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>

namespace vellumo {

Rect QtDesktop::screenRect() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {0, 0, 1024, 768};
    QRect g = screen->geometry();
    return {0, 0, g.width(), g.height()};
}

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

bool QtDesktop::shellOpen(const std::string& path) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(path)});
}

void QtDesktop::setClipboardText(const std::string& utf8) {
    if (QClipboard* cb = QGuiApplication::clipboard()) cb->setText(QString::fromStdString(utf8));
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
