#include "qt/FloatingPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include "qt/DevicePixels.h"

namespace vellumo {

FloatingPanel::FloatingPanel(QWidget* parent) : QFrame(parent) {
    setAutoFillBackground(true);
    setMouseTracking(true);
    setMinimumSize(kMinimum, kMinimum);
    title_ = new QLabel(QStringLiteral("Navigator"), this);
    title_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont f = title_->font();
    f.setPixelSize(12);
    f.setBold(true);
    title_->setFont(f);
    title_->setStyleSheet(QStringLiteral("color: white;"));
    close_ = new QToolButton(this);
    close_->setText(QStringLiteral("\u2715"));
    close_->setAutoRaise(true);
    close_->setStyleSheet(QStringLiteral("QToolButton { color: white; border: none; } QToolButton:hover { background: #c04040; }"));
    close_->setFocusPolicy(Qt::NoFocus);
    connect(close_, &QToolButton::clicked, this, [this] {
        if (events_) events_->panelCloseClicked();
    });
}

void FloatingPanel::setContent(QWidget* content) {
    content_ = content;
    content_->setParent(this);
    layoutChildren();
}

void FloatingPanel::setTitle(const QString& title) { title_->setText(title); }
QString FloatingPanel::title() const { return title_->text(); }

void FloatingPanel::layoutChildren() {
    int w = width(), h = height();
    title_->setGeometry(kBorder + 4, kBorder, std::max(0, w - 2 * kBorder - kCaption - 4), kCaption);
    close_->setGeometry(w - kBorder - kCaption, kBorder, kCaption, kCaption);
    if (content_)
        content_->setGeometry(kBorder, kBorder + kCaption, std::max(0, w - 2 * kBorder),
                              std::max(0, h - 2 * kBorder - kCaption));
}

void FloatingPanel::resizeEvent(QResizeEvent*) { layoutChildren(); }

void FloatingPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(60, 70, 90));
    p.fillRect(QRect(kBorder, kBorder, width() - 2 * kBorder, kCaption), QColor(40, 80, 150));
}

int FloatingPanel::edgeAt(QPoint p) const {
    int edge = None;
    if (p.x() < kBorder) edge |= Left;
    else if (p.x() >= width() - kBorder) edge |= Right;
    if (p.y() < kBorder) edge |= Top;
    else if (p.y() >= height() - kBorder) edge |= Bottom;
    if (edge == None && p.y() < kBorder + kCaption) edge = Move;
    return edge;
}

void FloatingPanel::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QFrame::mousePressEvent(e);
    dragEdge_ = edgeAt(e->position().toPoint());
    dragStartCursor_ = e->globalPosition().toPoint();
    dragStartGeometry_ = geometry();
    raise();
}

void FloatingPanel::mouseMoveEvent(QMouseEvent* e) {
    QPoint pos = e->position().toPoint();
    if (dragEdge_ == None) {
        int edge = edgeAt(pos);
        if ((edge & (Left | Right)) && (edge & (Top | Bottom)))
            setCursor(((edge & Left) != 0) == ((edge & Top) != 0) ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
        else if (edge & (Left | Right)) setCursor(Qt::SizeHorCursor);
        else if (edge & (Top | Bottom)) setCursor(Qt::SizeVerCursor);
        else unsetCursor();
        return;
    }
    QPoint travel = e->globalPosition().toPoint() - dragStartCursor_;
    QRect g = dragStartGeometry_;
    if (dragEdge_ == Move) {
        g.translate(travel);
        QPoint cursor = parentWidget() ? parentWidget()->mapFromGlobal(e->globalPosition().toPoint())
                                       : e->globalPosition().toPoint();
        if (events_)
            g = ToLogicalPlace(events_->panelMoving(ToDevicePlace(g), ToDevice(QPointF(cursor)), ToDevicePlace(geometry())));
        setGeometry(g);
        return;
    }
    if (dragEdge_ & Left) g.setLeft(std::min(g.left() + travel.x(), g.right() - kMinimum));
    if (dragEdge_ & Right) g.setRight(std::max(g.right() + travel.x(), g.left() + kMinimum));
    if (dragEdge_ & Top) g.setTop(std::min(g.top() + travel.y(), g.bottom() - kMinimum));
    if (dragEdge_ & Bottom) g.setBottom(std::max(g.bottom() + travel.y(), g.top() + kMinimum));
    setGeometry(g);
}

void FloatingPanel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || dragEdge_ == None) return QFrame::mouseReleaseEvent(e);
    dragEdge_ = None;
    if (events_) events_->panelMoveEnded(ToDevicePlace(geometry()));
}

}  // namespace vellumo
