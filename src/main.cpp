// The viewer's entry point: the Qt application, the platform objects and the
// application logic, wired together.
#include <QApplication>
#include <QFontDatabase>
#include <QScreen>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ViewerApp.h"
#include "platform/Files.h"
#include "platform/StartupTrace.h"
#include "qt/KeyFilter.h"
#include "qt/NavigatorListView.h"
#include "qt/NavigatorPanelWidget.h"
#include "qt/QtDesktop.h"
#include "qt/QtEventQueue.h"
#include "qt/ScreenColourWatch.h"
#include "qt/UiTaskTrace.h"
#include "qt/ViewerWidget.h"

namespace {

// SIGTERM and SIGINT (logout, Ctrl+C in a terminal) end the program the
// normal way, so the settings are written back: the handler only writes a
// byte that the event loop reads.
int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    char byte = 1;
    [[maybe_unused]] auto written = write(gSignalPipe[0], &byte, 1);
}

constexpr const char* kUsage =
    "Usage: vellumo [SETTINGS.ini] [NAME.script.txt] [FOLDER | PHOTO]\n"
    "Full-screen viewer for home photo archives.\n"
    "\n"
    "  SETTINGS.ini      the archive settings file to use (created when missing)\n"
    "  NAME.script.txt   a slideshow script, played as a total slideshow\n"
    "  FOLDER | PHOTO    the folder to open, or the photo to show\n"
    "  -h, --help        show this text and exit\n"
    "  --version         show the version and exit\n"
    "  --                what follows is a path, even when it begins with \"-\"\n"
    "\n"
    "F1 opens the help and F2 the list of keys while the viewer runs.\n";

// While Qt starts: a fatal error of Qt (no display, no platform plugin)
// would abort the process; the program cannot start, and says so with
// status 1 instead.
QtMessageHandler gDefaultMessages = nullptr;

void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (gDefaultMessages) gDefaultMessages(type, context, message);
        else std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return;
    }
    std::fprintf(stderr, "vellumo: cannot start: %s\n", message.toLocal8Bit().constData());
    std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    // The options are answered before any window or display is needed. An
    // argument naming an existing file is a path whatever it begins with.
    std::vector<std::string> given(argv + 1, argv + argc);
    const vellumo::ProgramOptions options =
        vellumo::ProgramOptions::Read(given, [](const std::string& a) { return vellumo::FileExists(a); });
    switch (options.action) {
        case vellumo::ProgramOptions::Action::Help: std::fputs(kUsage, stdout); return 0;
        case vellumo::ProgramOptions::Action::Version: std::printf("Vellumo %s\n", VELLUMO_VERSION); return 0;
        case vellumo::ProgramOptions::Action::UsageError:
            std::fprintf(stderr, "vellumo: unknown option '%s'\n", options.badOption.c_str());
            std::fputs(kUsage, stderr);
            return 2;
        case vellumo::ProgramOptions::Action::Run: break;
    }
    vellumo::TraceStartup("main");
    const std::vector<std::string>& arguments = options.arguments;
    // Qt sees only its own options, so that a path never reaches it as one.
    static std::vector<std::string> toolkitWords;
    toolkitWords.assign(1, argc > 0 ? argv[0] : "vellumo");
    toolkitWords.insert(toolkitWords.end(), options.toolkitArguments.begin(), options.toolkitArguments.end());
    static std::vector<char*> toolkitArgv;
    for (auto& w : toolkitWords) toolkitArgv.push_back(w.data());
    toolkitArgv.push_back(nullptr);
    static int toolkitArgc = static_cast<int>(toolkitWords.size());
    char cwd[4096];
    std::string workingFolder = getcwd(cwd, sizeof cwd) ? cwd : "/";
    // The photo named on the command line decodes while Qt, the fonts, the
    // settings and the window come up.
    std::unique_ptr<vellumo::StartupDecode> startupDecode =
        vellumo::StartupDecode::ForCommandLine(arguments, workingFolder);
    // So is the folder to open listed.
    auto earlyListing = vellumo::ViewerApp::StartEarlyListing(arguments, workingFolder);

    gDefaultMessages = qInstallMessageHandler(StartupMessages);
    vellumo::TracedApplication application(toolkitArgc, toolkitArgv.data());
    qInstallMessageHandler(gDefaultMessages);
    vellumo::TraceStartup("QApplication made");
    application.setApplicationName(QStringLiteral("Vellumo"));
    application.setQuitOnLastWindowClosed(true);

    vellumo::QtEventQueue queue;
    application.setEventQueue(&queue);
    vellumo::QtDesktop desktop;
    vellumo::ViewerWidget widget;
    desktop.setParentWindow(&widget);

    vellumo::TraceStartup("viewer widget made");
    vellumo::ProgramLocation program = vellumo::ProgramLocation::OfThisProcess();
    vellumo::NavigatorPanelWidget navigatorPanel(
        &widget, QString::fromStdString(vellumo::ResolveDerivedName(program.sibling("ni"))));
    vellumo::TraceStartup("Navigator panel made");
    vellumo::ViewerApp app(queue, desktop, widget.host(), navigatorPanel, program);
    app.startupDecode = std::move(startupDecode);
    app.listFoldersOnWorker = true;
    app.earlyListing = std::move(earlyListing);
    std::map<std::string, int> fonts;
    app.registerFontFile = [&fonts](const std::string& path) {
        // Read by us, so that only a regular file of a font's size is ever opened.
        auto bytes = vellumo::ReadFileNoLargerThan(path, 64u << 20);
        if (!bytes) return;
        int id = QFontDatabase::addApplicationFontFromData(QByteArray(bytes->data(), qsizetype(bytes->size())));
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
    vellumo::TraceStartup("application started");
    queue.registerTarget(app.viewer());
    queue.registerTarget(&app.viewer()->prefetcher());
    app.viewer()->prefetcher().setDisplayPreparer(&widget.preparedCopies());
    queue.registerTarget(app.navigator());
    queue.registerTarget(app.musicPlayer());
    queue.registerTarget(&app.musicPlayer()->soundComments());
    widget.setEvents(app.viewer());
    // A new screen size or scale re-fits the photo and moves the window over the new screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        auto changed = [&app] {
            if (app.viewer()) app.viewer()->displayChanged();
        };
        QObject::connect(screen, &QScreen::geometryChanged, &widget, changed);
        QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, &widget, changed);
    }
    // Another colour profile for the screen: the photo and thumbnails in its colours.
    vellumo::ScreenColourWatch colourWatch([&app, &navigatorPanel] {
        if (app.viewer()) app.viewer()->screenColoursChanged();
        if (vellumo::NavigatorListView* list = navigatorPanel.listView()) list->screenColoursChanged();
    });
    application.installNativeEventFilter(&colourWatch);
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) == 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(gSignalPipe[1], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &widget, [&widget] {
            char byte;
            [[maybe_unused]] auto got = read(gSignalPipe[1], &byte, 1);
            widget.close();
        });
        std::signal(SIGTERM, OnSignal);
        std::signal(SIGINT, OnSignal);
    }
    int status = application.exec();
    vellumo::TraceStartup("event loop left");
    application.printLongest();
    application.removeEventFilter(&keys);
    application.traceWork("writing the settings at the end", [&app] { app.exit(); });
    vellumo::TraceStartup("settings written");
    return status;
}
