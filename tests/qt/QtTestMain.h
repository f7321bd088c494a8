#pragma once
// One QApplication for the Qt tests (offscreen platform).
#include <QApplication>

namespace vellumo {

inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "test_qt";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace vellumo
