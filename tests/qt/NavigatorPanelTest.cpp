#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <filesystem>
#include <fstream>

#include "navigator/NavigatorWindow.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeEventQueue.h"
#include "fakes/RecordingViewer.h"
#include "fakes/TempTree.h"
#include "qt/NavigatorIcons.h"
#include "qt/NavigatorPanelWidget.h"
#include "qt/QtTestMain.h"

using namespace vellumo;

// Fontconfig keeps its process-wide configuration until exit; the leak
// checker of sanitizer builds is told so (the hook is unused elsewhere).
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

using vellumo::testing::TempTree;

// A viewer window of one colour with the real Navigator panel over it.
struct PanelSetup {
    QApplication& app = TestApplication();
    TempTree tree;
    QWidget viewerWidget;
    FakeEventQueue queue;
    FakeDesktop desktop;
    RecordingViewer viewer;
    Settings settings{};
    std::unique_ptr<NavigatorPanelWidget> panel;
    std::unique_ptr<NavigatorWindow> nav;

    PanelSetup() {
        viewerWidget.setAutoFillBackground(true);
        QPalette p = viewerWidget.palette();
        p.setColor(QPalette::Window, QColor(10, 120, 200));
        viewerWidget.setPalette(p);
        viewerWidget.setGeometry(0, 0, 800, 600);
        viewer.screen = {0, 0, 800, 600};
        panel = std::make_unique<NavigatorPanelWidget>(&viewerWidget);
        settings.ApplicationName = "Archive";
        settings.NavigatorRect = {500, 500, 1000, 1000};
        settings.NavigatorBackgroundColor = Rgb(250, 240, 0);
        settings.NavigatorBackgroundColorGiven = 1;
        NavigatorSettingsAccess access;
        access.current = [this]() -> Settings& { return settings; };
        std::vector<Drive> drives{{"/", DriveType::Fixed, "ext4"}, {tree.root(), DriveType::Fixed, "ext4"}};
        nav = std::make_unique<NavigatorWindow>(queue, *panel, desktop, viewer, access, [drives] { return drives; });
    }
    ~PanelSetup() {
        nav.reset();
        panel.reset();
    }
    void openAt(const std::string& folder) {
        settings.PathToStart = folder;
        nav->open();
        queue.runPending();
    }
    NavigatorListView& view() { return *panel->listView(); }
    QString rowText(int row) { return view().model()->index(row, 0).data(Qt::DisplayRole).toString(); }
    void key(int qtKey) {
        QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
        QApplication::sendEvent(&view(), &press);
    }
};

}  // namespace

TEST(NavigatorPanel, RowsAppearWithTheirIconsAndAwkwardNames) {
    PanelSetup s;
    std::string dir = s.tree.folder("Trip");
    s.tree.folder("Trip/sub/x");
    s.tree.folder("Trip/empty");
    s.tree.file("Trip/a.jpg");
    s.tree.file("Trip/a.txt");
    s.tree.file(std::string("Trip/bad\xff name.jpg"));
    s.openAt(dir);
    auto* model = s.view().model();
    ASSERT_EQ(model->rowCount(), 5);
    EXPECT_EQ(s.rowText(0), "Trip");
    EXPECT_EQ(s.rowText(1), "empty");
    EXPECT_EQ(s.rowText(2), "sub");
    EXPECT_EQ(s.rowText(3), "a");
    EXPECT_EQ(s.rowText(4), QString::fromUtf8("bad\xef\xbf\xbd name"));  // replacement character
    const QList<QPixmap> icons = NavigatorIcons(16);
    const int expected[5] = {ItemImage::OpenFolder, ItemImage::EmptyFolder, ItemImage::Folder,
                             ItemImage::PhotoWithText, ItemImage::Photo};
    for (int row = 0; row < 5; ++row) {
        QPixmap pm = model->index(row, 0).data(Qt::DecorationRole).value<QPixmap>();
        ASSERT_FALSE(pm.isNull()) << row;
        EXPECT_EQ(pm.toImage(), icons[expected[row]].toImage()) << row;
    }
    // The program's selection of the first row is shown, not reported.
    EXPECT_EQ(s.view().currentIndex().row(), 0);
    EXPECT_TRUE(s.view().selectionModel()->isSelected(s.view().currentIndex()));
    s.queue.advance(1000);
    EXPECT_TRUE(s.viewer.shown.empty());
}

TEST(NavigatorPanel, PanelFloatsOverTheViewerWithItsColours) {
    PanelSetup s;
    std::string dir = s.tree.folder("P");
    s.tree.file("P/one.jpg");
    s.openAt(dir);
    EXPECT_EQ(s.panel->panel()->geometry(), QRect(400, 300, 400, 300));
    EXPECT_EQ(s.panel->panel()->title(), "Archive");
    EXPECT_FALSE(s.panel->panel()->isVisibleTo(&s.viewerWidget));
    s.viewerWidget.show();
    QImage hidden = s.viewerWidget.grab().toImage();
    EXPECT_EQ(hidden.pixelColor(700, 550), QColor(10, 120, 200));

    s.nav->setShown(true);
    EXPECT_TRUE(s.panel->panel()->isVisible());
    EXPECT_EQ(s.panel->panel()->parentWidget(), &s.viewerWidget);
    EXPECT_FALSE(s.panel->panel()->isWindow());
    QImage shot = s.viewerWidget.grab().toImage();
    ASSERT_EQ(shot.width(), 800);
    EXPECT_EQ(shot.pixelColor(100, 100), QColor(10, 120, 200));  // the viewer
    EXPECT_EQ(shot.pixelColor(780, 580), QColor(250, 240, 0));   // the list's empty area
    EXPECT_NE(shot.pixelColor(700, 310), QColor(10, 120, 200));   // the caption bar
    // Resetting the colour gives the desktop's base colour back.
    s.settings.NavigatorBackgroundColorGiven = 0;
    SettingsChangeSet changes;
    changes.set(SectionNavigator, 0x8);
    s.nav->settingsChanged(changes, 4);
    EXPECT_EQ(s.view().palette().color(QPalette::Base), QApplication::palette(&s.view()).color(QPalette::Base));
}

TEST(NavigatorPanel, KeysAndClicksReachTheLogic) {
    PanelSetup s;
    std::string dir = s.tree.folder("K");
    s.tree.folder("K/inner/x");
    s.tree.file("K/a.jpg");
    s.tree.file("K/b.jpg");
    s.openAt(dir);
    s.viewerWidget.show();
    s.nav->setShown(true);
    s.nav->focusList();

    // Down twice: the photo after the second step is shown once it rested.
    s.key(Qt::Key_Down);
    s.key(Qt::Key_Down);
    EXPECT_EQ(s.view().currentIndex().row(), 2);
    s.queue.advance(499);
    EXPECT_TRUE(s.viewer.shown.empty());
    s.queue.advance(1);
    EXPECT_EQ(s.viewer.shown, std::vector<std::string>{dir + "/a.jpg"});

    // Tab goes back to the viewer.
    s.key(Qt::Key_Tab);
    EXPECT_EQ(s.viewer.focusRequests, 1);

    // A right click asks for the ancestors menu at the cursor, in viewer coordinates.
    QPoint local(5, 5);
    QPoint inViewer = s.view().viewport()->mapTo(&s.viewerWidget, local);
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(local), s.view().viewport()->mapToGlobal(QPointF(local)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(s.view().viewport(), &right);
    s.queue.runPending();
    ASSERT_EQ(s.desktop.menus.size(), 1u);
    EXPECT_EQ(s.desktop.menus[0].at, (Point{inViewer.x(), inViewer.y()}));

    // Enter on the folder row opens it; Backspace comes back.
    s.view().setCurrentIndex(s.view().model()->index(1, 0));
    s.key(Qt::Key_Return);
    s.queue.runPending();
    EXPECT_EQ(s.nav->archive().currentFolder(), dir + "/inner");
    EXPECT_EQ(s.view().model()->rowCount(), 2);
    s.key(Qt::Key_Backspace);
    s.queue.runPending();
    EXPECT_EQ(s.nav->archive().currentFolder(), dir);
    EXPECT_EQ(s.view().currentIndex().row(), 1);

    // The close button ends the program.
    s.nav->panelCloseClicked();
    s.queue.runPending();
    EXPECT_EQ(s.viewer.commands.back(), 142);
}

TEST(NavigatorPanel, AHundredThousandRowsStayAModel) {
    PanelSetup s;
    s.openAt(s.tree.root());
    std::vector<ArchiveItem> rows(100000);
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].text = "IMG_" + std::to_string(100000 + i);
        rows[i].flags = ItemFlags::Photo | 0x2000;
        rows[i].image = ItemImage::Photo;
    }
    rows.back().text = "a much longer name than every other row";
    s.nav->list().setRows(std::move(rows));
    s.viewerWidget.show();
    s.nav->setShown(true);
    EXPECT_EQ(s.view().model()->rowCount(), 100000);
    // The widest row decides every row's size.
    QSize size = s.view().model()->index(0, 0).data(Qt::SizeHintRole).toSize();
    EXPECT_GT(size.width(), QFontMetrics(s.view().font()).horizontalAdvance("a much longer name than every other row"));
    s.nav->list().select(99999, false);
    s.nav->list().scrollTo(99999);
    EXPECT_EQ(s.view().currentIndex().row(), 99999);
    EXPECT_TRUE(s.view().viewport()->rect().intersects(s.view().visualRect(s.view().currentIndex())));
    EXPECT_TRUE(s.panel->panel()->findChildren<QWidget*>().size() < 20);
}

TEST(NavigatorPanel, TheThemesIconsTakeTheDrawnOnesPlaceOnceTheStartupIsOver) {
    TestApplication();
    // A theme with a plain blue folder icon and nothing else.
    TempTree themes;
    std::filesystem::path theme = std::filesystem::path(themes.file("icons/plain/index.theme")).parent_path();
    std::ofstream(theme / "index.theme") << "[Icon Theme]\nName=plain\nDirectories=16x16/places\n\n"
                                            "[16x16/places]\nSize=16\nType=Fixed\n";
    std::filesystem::create_directories(theme / "16x16/places");
    QImage blue(16, 16, QImage::Format_ARGB32);
    blue.fill(QColor(0, 0, 255));
    ASSERT_TRUE(blue.save(QString::fromStdString((theme / "16x16/places/folder.png").string())));
    const QStringList oldPaths = QIcon::themeSearchPaths();
    const QString oldName = QIcon::themeName();
    QIcon::setThemeSearchPaths({QString::fromStdString(theme.parent_path().string())});
    QIcon::setThemeName(QStringLiteral("plain"));

    {
        QWidget viewer;
        viewer.resize(200, 150);
        NavigatorPanelWidget panel(&viewer);
        const QList<QPixmap>& icons = panel.listView()->smallIcons();
        // Painting does not bring the theme in: the start does without it.
        viewer.show();
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
        EXPECT_EQ(icons[7].toImage(), DrawnNavigatorIcon(7, 16).toImage());
        // Once the start-up is over it comes, a moment later.
        panel.startupOver();
        QApplication::processEvents();
        EXPECT_EQ(panel.listView()->smallIcons()[7].toImage(), DrawnNavigatorIcon(7, 16).toImage());
        QElapsedTimer waited;
        waited.start();
        while (panel.listView()->smallIcons()[7].toImage() == DrawnNavigatorIcon(7, 16).toImage() &&
               waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        const QList<QPixmap>& after = panel.listView()->smallIcons();
        ASSERT_EQ(after.size(), 13);
        EXPECT_EQ(after[7].toImage().pixelColor(8, 8), QColor(0, 0, 255));
        // What the theme lacks stays drawn.
        EXPECT_EQ(after[0].toImage(), DrawnNavigatorIcon(0, 16).toImage());
    }
    QIcon::setThemeName(oldName);
    QIcon::setThemeSearchPaths(oldPaths);
}
