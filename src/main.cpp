// The viewer's entry point: the Qt application, the platform objects and the
// application logic, wired together.
#include <QApplication>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/ViewerApp.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtEventQueue.h"
#include "platform/qt/ViewerWidget.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Vellumo"));
    application.setQuitOnLastWindowClosed(true);

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    char cwd[4096];
    std::string workingFolder = getcwd(cwd, sizeof cwd) ? cwd : "/";

    vellumo::QtEventQueue queue;
    vellumo::QtDesktop desktop;
    vellumo::ViewerWidget widget;
    desktop.setParentWindow(&widget);

    vellumo::ViewerApp app(queue, desktop, widget.host());
    queue.registerTarget(&app.viewer());
    widget.setEvents(&app.viewer());
    if (!app.start(arguments, workingFolder)) return 1;
    int status = application.exec();
    app.exit();
    return status;
}
