// The viewer's entry point: the Qt application, the platform objects and the
// application logic, wired together.
#include <QApplication>
#include <QFontDatabase>
#include <QScreen>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "app/ViewerApp.h"
#include "platform/Files.h"
#include "platform/qt/KeyFilter.h"
#include "platform/qt/NavigatorPanelWidget.h"
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

    vellumo::ProgramLocation program = vellumo::ProgramLocation::OfThisProcess();
    vellumo::NavigatorPanelWidget navigatorPanel(
        &widget, QString::fromStdString(vellumo::ResolveDerivedName(program.sibling("ni"))));
    vellumo::ViewerApp app(queue, desktop, widget.host(), navigatorPanel, program);
    std::map<std::string, int> fonts;
    app.registerFontFile = [&fonts](const std::string& path) {
        int id = QFontDatabase::addApplicationFont(QString::fromStdString(path));
        if (id >= 0) fonts[path] = id;
    };
    app.unregisterFontFile = [&fonts](const std::string& path) {
        auto it = fonts.find(path);
        if (it == fonts.end()) return;
        QFontDatabase::removeApplicationFont(it->second);
        fonts.erase(it);
    };

    vellumo::KeyFilter keys(&widget, [&app](const vellumo::KeyInput& key, vellumo::FocusPlace focus) {
        return app.preTranslateKeyDown(key, focus);
    });
    keys.setNavigator(navigatorPanel.panel());
    application.installEventFilter(&keys);

    if (!app.start(arguments, workingFolder)) return 1;
    queue.registerTarget(app.viewer());
    queue.registerTarget(app.navigator());
    widget.setEvents(app.viewer());
    // A new screen size re-fits the photo and moves the window over the new screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QObject::connect(screen, &QScreen::geometryChanged, &widget, [&app] {
            if (app.viewer()) app.viewer()->displayChanged();
        });
    }
    int status = application.exec();
    application.removeEventFilter(&keys);
    app.exit();
    return status;
}
