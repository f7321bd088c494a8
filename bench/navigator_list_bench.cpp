// What the Navigator's list costs the user-interface thread when a folder's
// rows take their place, in the real panel (offscreen): the rows set, the
// first row selected, the list painted, the last row scrolled into view, and
// in thumbnails mode ten thousand rows taking their thumbnails from a cache.
// CPU time of this thread, so that a busy machine changes the figures
// little. Prints figures; never fails on time.
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "archive/NavigatorList.h"
#include "qt/NavigatorPanelWidget.h"
#include "thumbs/ThumbnailImageList.h"

namespace {

using namespace vellumo;

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

std::vector<ArchiveItem> Rows(int photos) {
    std::vector<ArchiveItem> rows;
    ArchiveItem up;
    up.text = "Photos";
    up.flags = ItemFlags::UpEntry;
    up.image = ItemImage::OpenFolder;
    rows.push_back(up);
    char name[32];
    for (int i = 1; i <= photos; ++i) {
        std::snprintf(name, sizeof name, "IMG_%06d", i);
        ArchiveItem item;
        item.text = name;
        item.fileName = item.text + ".jpg";
        item.flags = ItemFlags::Photo | 0x2000;
        item.image = ItemImage::Photo;
        rows.push_back(std::move(item));
    }
    return rows;
}

struct NoEvents : NavigatorListEvents {
    void listSelectionChangedByUser(int) override {}
    void listDoubleClicked(int) override {}
    bool listKeyDown(int) override { return false; }
    void listRightClicked(Point) override {}
    void listMouseMoved(Point) override {}
};

template <typename Step>
double Timed(Step&& step) {
    const double start = ThreadCpuMs();
    step();
    QCoreApplication::sendPostedEvents();
    return ThreadCpuMs() - start;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QWidget viewer;
    viewer.resize(1920, 1080);
    NavigatorPanelWidget panel(&viewer);
    panel.host().move(Rect{1440, 540, 1920, 1080});
    panel.host().setVisible(true);
    viewer.show();
    NavigatorList list;
    NoEvents events;
    panel.bind(&list, &events, nullptr);
    QCoreApplication::processEvents();
    NavigatorListView* view = panel.listView();

    std::printf("navigator list, CPU ms of the user-interface thread (rows set / first row selected / painted / last row shown)\n");
    for (int photos : {10, 10000, 100000}) {
        std::vector<ArchiveItem> rows = Rows(photos);
        const double set = Timed([&] { list.setRows(std::move(rows)); });
        const double select = Timed([&] { list.select(0, false); list.scrollTo(0); });
        const double paint = Timed([&] { view->viewport()->repaint(); });
        const double last = Timed([&] { list.select(list.count() - 1, false); list.scrollTo(list.count() - 1); view->viewport()->repaint(); });
        std::printf("  %6d photos: %7.1f %7.1f %7.1f %7.1f\n", photos, set, select, paint, last);
    }

    // Thumbnails mode: ten thousand rows get their images one by one.
    const int photos = 10000;
    ThumbnailImageList images;
    images.reset(48, Rgb(0, 0, 255));
    ThumbnailViewSpec spec;
    spec.on = true;
    spec.size = 48;
    spec.images = &images;
    list.setRows(Rows(photos));
    const double mode = Timed([&] { panel.setThumbnailView(spec); list.select(0, false); view->viewport()->repaint(); });
    auto thumb = std::make_shared<ThumbImage>();
    thumb->size = 48;
    thumb->pixels.assign(48 * 48, 0xFF336699u);
    const double give = Timed([&] {
        for (int row = 1; row <= photos; ++row) list.setImage(row, images.append(thumb));
    });
    const double paint = Timed([&] { view->viewport()->repaint(); });
    std::printf("thumbnails mode, %d photos: switch %.1f ms, every row its thumbnail %.1f ms, paint %.1f ms\n", photos,
                mode, give, paint);
    return 0;
}
