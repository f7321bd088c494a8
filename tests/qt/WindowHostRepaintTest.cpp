#include <gtest/gtest.h>

#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

#include <vector>

#include "qt/QtWindowHost.h"
#include "qt/QtTestMain.h"

namespace vellumo {
namespace {

// Records the region of every paint event.
class RecordingWidget : public QWidget {
public:
    std::vector<QRegion> painted;

protected:
    void paintEvent(QPaintEvent* e) override { painted.push_back(e->region()); }
};

TEST(WindowHostRepaint, UpdatePaintsOnlyWhatWasInvalidated) {
    TestApplication();
    RecordingWidget widget;
    widget.setAttribute(Qt::WA_OpaquePaintEvent);
    widget.resize(400, 300);
    widget.show();
    QApplication::processEvents();
    QtWindowHost host(widget, false);

    widget.painted.clear();
    host.invalidate({0, 0, 11, 300});
    host.invalidate({100, 50, 110, 60});
    host.update();
    ASSERT_EQ(widget.painted.size(), 1u);
    QRegion expected = QRegion(0, 0, 11, 300) + QRegion(100, 50, 10, 10);
    EXPECT_EQ(widget.painted[0], expected);

    // Nothing invalidated: nothing painted; the whole window after invalidateAll.
    widget.painted.clear();
    host.update();
    EXPECT_TRUE(widget.painted.empty());
    host.invalidate({5, 5, 6, 6});
    host.invalidateAll();
    host.update();
    ASSERT_EQ(widget.painted.size(), 1u);
    EXPECT_EQ(widget.painted[0], QRegion(0, 0, 400, 300));
}

}  // namespace
}  // namespace vellumo
