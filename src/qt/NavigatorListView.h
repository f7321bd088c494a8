#pragma once
// The Navigator's list control: a list view in list mode with small icons and
// single selection over the NavigatorList rows. A model serves the rows on
// demand, so a folder of 100,000 photos costs no widget per row. The user's
// selection changes, double clicks, keys, right clicks and mouse moves go to
// NavigatorListEvents; the program's own selections are never reported.
#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QListView>
#include <QPixmap>
#include <cstdint>
#include <optional>
#include <vector>

#include "archive/NavigatorList.h"
#include "archive/NavigatorPanel.h"
#include "imaging/ColourProfile.h"

namespace vellumo {

class NavigatorListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit NavigatorListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    void setList(const NavigatorList* list);
    void setIcons(QList<QPixmap> icons) { icons_ = std::move(icons); }
    // The rows were replaced.
    void reset();
    void rowChanged(int row);
    // The size of every row (the widest row's); invalid: the delegate measures.
    void setUniformSize(QSize size) { uniformSize_ = size; }
    // Thumbnails mode: rows show the large images (the icons 0 to 8 at the
    // thumbnail size, frames and thumbnails from the image list).
    void setThumbnails(bool on, const ThumbnailImageList* images, QList<QPixmap> largeIcons);
    bool thumbnails() const { return thumbnails_; }
    // The screen's colour profile (no bytes: sRGB): thumbnails, kept in
    // sRGB, are converted to it when drawn.
    void setScreenColours(const std::vector<std::uint8_t>& icc);
    // The picture of a large image index (null pixmap when there is none).
    QPixmap largeImage(int index) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const NavigatorList* list_ = nullptr;
    int count_ = 0;  // the row count the view was last told of
    QList<QPixmap> icons_;
    QSize uniformSize_;
    bool thumbnails_ = false;
    const ThumbnailImageList* images_ = nullptr;
    QList<QPixmap> largeIcons_;
    ColourProfilePtr screenColours_;  // null: sRGB
    // Converted thumbnails by index, for one generation of the image list.
    mutable QHash<int, QPixmap> converted_;
    mutable std::uint64_t convertedGeneration_ = 0;
};

class NavigatorListView : public QListView, public NavigatorListObserver {
    Q_OBJECT
public:
    // icons: the 13 small icons, by image index.
    NavigatorListView(QList<QPixmap> icons, QWidget* parent = nullptr);
    ~NavigatorListView() override;

    // Shows a list and reports to events (either may be null).
    void bind(NavigatorList* list, NavigatorListEvents* events);
    void setColors(std::optional<ColorRef> background, std::optional<ColorRef> text);
    // List view with small icons, or icon view with the thumbnails.
    void setThumbnailView(const ThumbnailViewSpec& spec);
    // The screen's colour profile changed: thumbnails are drawn in its colours.
    void screenColoursChanged();
    // The 13 small icons of the list mode (the themed ones arrive after the start).
    void setSmallIcons(QList<QPixmap> icons);
    const QList<QPixmap>& smallIcons() const { return smallIcons_; }
    const ThumbnailViewSpec& thumbnailView() const { return spec_; }
    // The first and last rows whose icons lie in the visible area (-1, -1: none).
    std::pair<int, int> visibleRows() const;
    NavigatorListModel& listModel() { return model_; }

    // NavigatorListObserver
    void rowsReset() override;
    void rowImageChanged(int row) override;
    void selectionChanged(int row, bool notify) override;
    void scrollTo(int row) override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void userSelectionChanged();
    Point viewerPoint(const QPoint& viewportPos) const;

    NavigatorListModel model_;
    NavigatorList* list_ = nullptr;
    NavigatorListEvents* events_ = nullptr;
    bool programSelecting_ = false;
    int lastReported_ = -1;
    ThumbnailViewSpec spec_;
    int largeIconSize_ = 0;
    QList<QPixmap> smallIcons_;
    QList<QPixmap> largeIcons_;
};

// The point of a widget in the coordinates of the top-level widget it lies in
// (the viewer window).
Point ViewerPointOf(const QWidget& widget, const QPoint& local);

}  // namespace vellumo
