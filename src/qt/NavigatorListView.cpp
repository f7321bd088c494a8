#include "qt/NavigatorListView.h"

#include "qt/DevicePixels.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cstring>
#include <vector>

#include "qt/KeyMapping.h"
#include "imaging/AnyBmp.h"
#include "qt/NavigatorIcons.h"
#include "qt/ScreenColourProfile.h"
#include "thumbs/ThumbnailImageList.h"

namespace vellumo {

namespace {
QColor ToQColor(ColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
// Row texts are UTF-8 as the file system gave them; bytes that are not
// UTF-8 show as replacement characters.
QString RowText(const ArchiveItem& item) { return QString::fromUtf8(item.text.data(), qsizetype(item.text.size())); }
QPixmap PixmapOf(const ThumbImage& cell, const ColourProfilePtr& screen) {
    // On a screen the desktop scales, the sharp copy fills the same cell
    // with the screen's own pixels.
    const ThumbImage& image = cell.sharp && cell.size > 0 ? *cell.sharp : cell;
    // The pixels are blue, green, red, alpha bytes: ARGB32 words on this machine.
    QImage view(reinterpret_cast<const uchar*>(image.pixels.data()), image.size, image.size, image.size * 4,
                QImage::Format_ARGB32);
    QImage copy = view.copy();
    if (screen && !copy.isNull()) {
        // sRGB to the screen's colours; the alpha stays.
        CAnyBmp pixels;
        pixels.Create(image.size, image.size, 32, true, false);
        for (int y = 0; y < image.size; ++y) std::memcpy(pixels.GetLineArray()[y], copy.constScanLine(y), std::size_t(image.size) * 4);
        ConvertColours(pixels, *SrgbProfile(), *screen);
        for (int y = 0; y < image.size; ++y) std::memcpy(copy.scanLine(y), pixels.GetLineArray()[y], std::size_t(image.size) * 4);
    }
    QPixmap pixmap = QPixmap::fromImage(copy);
    if (&image != &cell) pixmap.setDevicePixelRatio(static_cast<double>(image.size) / cell.size);
    return pixmap;
}

// Draws the rows; with ThumbnailsSelection 2 a selected photo's thumbnail sits
// on a square of the highlight colour (button face when the list has no focus).
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    ThumbnailDelegate(NavigatorListView* view, const NavigatorList* const* list)
        : QStyledItemDelegate(view), view_(view), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const ThumbnailViewSpec& spec = view_->thumbnailView();
        if (!spec.on || spec.selection != 2 || !(option.state & QStyle::State_Selected)) return;
        const NavigatorList* list = *list_;
        if (!list || !list->valid(index.row()) || !list->at(index.row()).isPhoto()) return;
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        QRect icon = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, widget);
        const int s = spec.size;
        QRect square(icon.left() + (icon.width() - s) / 2, icon.top() + (icon.height() - s) / 2, s, s);
        const QPalette& pal = option.palette;
        painter->fillRect(square, view_->hasFocus() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Button));
        painter->drawPixmap(square.topLeft(), view_->listModel().largeImage(list->at(index.row()).image));
    }

private:
    NavigatorListView* view_;
    const NavigatorList* const* list_;
};

}  // namespace

Point ViewerPointOf(const QWidget& widget, const QPoint& local) {
    return ToDevice(QPointF(widget.mapTo(widget.window(), local)));
}

// ---- Model --------------------------------------------------------------------

void NavigatorListModel::setList(const NavigatorList* list) {
    beginResetModel();
    list_ = list;
    count_ = list_ ? list_->count() : 0;
    endResetModel();
}

void NavigatorListModel::reset() {
    beginResetModel();
    count_ = list_ ? list_->count() : 0;
    endResetModel();
}

void NavigatorListModel::rowChanged(int row) {
    if (row < 0 || row >= count_) return;
    QModelIndex i = index(row);
    emit dataChanged(i, i, {Qt::DecorationRole});
}

void NavigatorListModel::setScreenColours(const std::vector<std::uint8_t>& icc) {
    if (icc.empty() ? !screenColours_ : screenColours_ && screenColours_->Icc() == icc) return;
    screenColours_ = icc.empty() ? nullptr : std::make_shared<const ColourProfile>(icc);
    converted_.clear();
}

void NavigatorListModel::setThumbnails(bool on, const ThumbnailImageList* images, QList<QPixmap> largeIcons) {
    beginResetModel();
    thumbnails_ = on;
    images_ = images;
    largeIcons_ = std::move(largeIcons);
    converted_.clear();
    endResetModel();
}

QPixmap NavigatorListModel::largeImage(int index) const {
    if (index >= 0 && index < ThumbIndex::Waiting) return index < largeIcons_.size() ? largeIcons_[index] : QPixmap();
    if (!images_) return {};
    if (images_->generation() != convertedGeneration_) {
        converted_.clear();
        convertedGeneration_ = images_->generation();
    }
    auto it = converted_.find(index);
    if (it != converted_.end()) return *it;
    ThumbImagePtr image = images_->at(index);
    if (!image) return {};
    QPixmap pm = PixmapOf(*image, screenColours_);
    converted_.insert(index, pm);
    return pm;
}

int NavigatorListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

QVariant NavigatorListModel::data(const QModelIndex& index, int role) const {
    if (!list_ || !index.isValid() || index.row() >= count_ || !list_->valid(index.row())) return {};
    const ArchiveItem& item = list_->at(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: return RowText(item);
        case Qt::DecorationRole:
            if (thumbnails_) return largeImage(item.image);
            if (item.image >= 0 && item.image < icons_.size()) return icons_[item.image];
            return {};
        case Qt::SizeHintRole:
            if (uniformSize_.isValid()) return uniformSize_;
            return {};
        default: return {};
    }
}

// ---- View -----------------------------------------------------------------------

NavigatorListView::NavigatorListView(QList<QPixmap> icons, QWidget* parent) : QListView(parent) {
    smallIcons_ = icons;
    model_.setIcons(std::move(icons));
    setItemDelegate(new ThumbnailDelegate(this, const_cast<const NavigatorList* const*>(&list_)));
    setModel(&model_);
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    // Every row has the size of the widest; the view then never measures
    // 100,000 rows one by one.
    setUniformItemSizes(true);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
    setMovement(QListView::Static);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { userSelectionChanged(); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { userSelectionChanged(); });
}

void NavigatorListView::setSmallIcons(QList<QPixmap> icons) {
    smallIcons_ = icons;
    model_.setIcons(std::move(icons));
    viewport()->update();
}

NavigatorListView::~NavigatorListView() {
    if (list_) list_->setObserver(nullptr);
}

void NavigatorListView::bind(NavigatorList* list, NavigatorListEvents* events) {
    if (list_ && list_ != list) list_->setObserver(nullptr);
    list_ = list;
    events_ = events;
    if (list_) list_->setObserver(this);
    model_.setList(list_);
    rowsReset();
}

void NavigatorListView::setColors(std::optional<ColorRef> background, std::optional<ColorRef> text) {
    QPalette p = QApplication::palette(this);
    if (background) p.setColor(QPalette::Base, ToQColor(*background));
    if (text) p.setColor(QPalette::Text, ToQColor(*text));
    setPalette(p);
    viewport()->update();
}

void NavigatorListView::screenColoursChanged() {
    model_.setScreenColours(ReadScreenColourProfile(this));
    viewport()->update();
}

void NavigatorListView::setThumbnailView(const ThumbnailViewSpec& spec) {
    spec_ = spec;
    const int s = std::max(1, spec.size);
    if (spec.on) {
        if (largeIconSize_ != s) {
            // The nine computer, drive and folder icons at the thumbnail size.
            largeIcons_ = NavigatorIcons(s).mid(0, ThumbIndex::Waiting);
            largeIconSize_ = s;
        }
        QList<QPixmap> large = largeIcons_;
        model_.setScreenColours(ReadScreenColourProfile(this));
        model_.setThumbnails(true, spec.images, large);
        setViewMode(QListView::IconMode);
        setFlow(QListView::LeftToRight);
        setWrapping(true);
        setMovement(QListView::Static);
        setResizeMode(QListView::Adjust);
        setIconSize(QSize(s, s));
        // Items are spaced by the thumbnail plus the spacing in each direction.
        setGridSize(QSize(s + spec.spaceX, s + spec.spaceY));
        setWordWrap(true);
        setTextElideMode(Qt::ElideRight);
    } else {
        model_.setThumbnails(false, spec.images, {});
        setViewMode(QListView::ListMode);
        setFlow(QListView::TopToBottom);
        setWrapping(true);
        setMovement(QListView::Static);
        setResizeMode(QListView::Adjust);
        setGridSize(QSize());
        setIconSize(QSize(16, 16));
        setWordWrap(false);
        setTextElideMode(Qt::ElideNone);
    }
    rowsReset();
}

std::pair<int, int> NavigatorListView::visibleRows() const {
    const int n = model_.rowCount();
    if (n == 0) return {-1, -1};
    const QRect area = viewport()->rect();
    // Rows are laid out in order: the icon rectangles only move down (icon
    // view) or right (list view) from row to row.
    auto before = [&](int row) {
        QRect r = visualRect(model_.index(row));
        return spec_.on ? r.bottom() < area.top() : r.right() < area.left();
    };
    auto after = [&](int row) {
        QRect r = visualRect(model_.index(row));
        return spec_.on ? r.top() > area.bottom() : r.left() > area.right();
    };
    int lo = 0, hi = n;  // first row not before the area
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (before(mid)) lo = mid + 1; else hi = mid;
    }
    const int first = lo;
    lo = first;
    hi = n;  // first row after the area
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (after(mid)) hi = mid; else lo = mid + 1;
    }
    const int last = lo - 1;
    if (first >= n || last < first) return {-1, -1};
    return {first, last};
}

void NavigatorListView::paintEvent(QPaintEvent* e) {
    QListView::paintEvent(e);
    if (events_ && spec_.on) {
        auto [first, last] = visibleRows();
        events_->listVisibleRows(first, last);
    }
}

void NavigatorListView::rowsReset() {
    lastReported_ = -1;
    if (spec_.on) {
        model_.setUniformSize(QSize());
        model_.reset();
        return;
    }
    // The widest row decides the column width: measure the longest texts only.
    QSize uniform;
    if (list_ && list_->count() > 0) {
        const auto& rows = list_->rows();
        std::vector<int> order(rows.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
        const size_t measured = std::min<size_t>(order.size(), 256);
        std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(measured), order.end(),
                          [&](int a, int b) { return rows[size_t(a)].text.size() > rows[size_t(b)].text.size(); });
        QFontMetrics fm(font());
        int textWidth = 0;
        for (size_t i = 0; i < measured; ++i)
            textWidth = std::max(textWidth, fm.horizontalAdvance(RowText(rows[size_t(order[i])])));
        int height = std::max(iconSize().height(), fm.height()) + 4;
        uniform = QSize(iconSize().width() + textWidth + 16, height);
    }
    model_.setUniformSize(uniform);
    model_.reset();
}

void NavigatorListView::rowImageChanged(int row) { model_.rowChanged(row); }

void NavigatorListView::selectionChanged(int row, bool /*notify*/) {
    // The program's selections are never reported as the user's; a refresh
    // lets its selection through in the logic itself.
    programSelecting_ = true;
    if (row >= 0 && row < model_.rowCount()) {
        selectionModel()->setCurrentIndex(model_.index(row), QItemSelectionModel::ClearAndSelect);
    } else {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    programSelecting_ = false;
    lastReported_ = row;
}

void NavigatorListView::scrollTo(int row) {
    if (row >= 0 && row < model_.rowCount()) QListView::scrollTo(model_.index(row));
}

void NavigatorListView::userSelectionChanged() {
    if (programSelecting_ || !events_) return;
    QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current)) return;
    int row = current.row();
    if (row == lastReported_) return;
    lastReported_ = row;
    events_->listSelectionChangedByUser(row);
}

Point NavigatorListView::viewerPoint(const QPoint& viewportPos) const { return ViewerPointOf(*viewport(), viewportPos); }

void NavigatorListView::keyPressEvent(QKeyEvent* e) {
    if (events_ && events_->listKeyDown(VirtualKeyOf(*e))) {
        e->accept();
        return;
    }
    QListView::keyPressEvent(e);
}

void NavigatorListView::mouseDoubleClickEvent(QMouseEvent* e) {
    QListView::mouseDoubleClickEvent(e);
    if (e->button() != Qt::LeftButton || !events_) return;
    QModelIndex i = indexAt(e->position().toPoint());
    events_->listDoubleClicked(i.isValid() ? i.row() : -1);
}

void NavigatorListView::mousePressEvent(QMouseEvent* e) {
    QListView::mousePressEvent(e);
    if (e->button() == Qt::RightButton && events_) events_->listRightClicked(viewerPoint(e->position().toPoint()));
}

void NavigatorListView::mouseMoveEvent(QMouseEvent* e) {
    QListView::mouseMoveEvent(e);
    if (events_) events_->listMouseMoved(viewerPoint(e->position().toPoint()));
}

void NavigatorListView::contextMenuEvent(QContextMenuEvent* e) {
    // The right click already asked for the ancestors menu; the Menu key
    // arrives as command 173.
    e->accept();
}

bool NavigatorListView::event(QEvent* e) {
    // Tab goes to the logic (back to the viewer) instead of the focus chain.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QListView::event(e);
}

}  // namespace vellumo
