#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

#include "qt/KeyFilter.h"
#include "qt/QtTestMain.h"

using namespace vellumo;

// Input tools send key presses within one millisecond; a new event may even
// reuse the address of the last one. Each press is translated exactly once,
// however many widgets it travels through.
TEST(KeyFilter, EveryPressIsTranslatedOnceEvenWithEqualTimeStamps) {
    TestApplication();
    QWidget top;
    auto* panel = new QWidget(&top);
    auto* list = new QWidget(panel);
    list->setFocusPolicy(Qt::StrongFocus);
    top.resize(200, 100);
    top.show();
    list->setFocus();
    QApplication::processEvents();

    std::vector<int> seen;
    KeyFilter filter(&top, [&](const KeyInput& key, FocusPlace) {
        seen.push_back(key.virtualKey);
        return false;  // not a hotkey: the press travels on to the widgets
    });
    qApp->installEventFilter(&filter);
    ASSERT_NE(top.windowHandle(), nullptr);

    // The same event object, with the same time stamp, delivered twice: two presses.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    press.setTimestamp(1000);
    QApplication::sendEvent(top.windowHandle(), &press);
    QApplication::sendEvent(top.windowHandle(), &press);
    // Another press of the same key and time stamp sent straight to the focus widget.
    QKeyEvent other(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
    other.setTimestamp(1000);
    QApplication::sendEvent(list, &other);
    QApplication::sendEvent(list, &other);
    qApp->removeEventFilter(&filter);

    EXPECT_EQ(seen, (std::vector<int>{'A', 'A', 'B', 'B'}));
}
