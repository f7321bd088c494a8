#pragma once
// A floating panel inside the viewer window: a small caption bar with the
// title and a close button, a sizing border, and one content widget filling
// the rest. Its position and docking are ours on every window manager.
#include <QFrame>
#include <QLabel>
#include <QToolButton>

#include "platform/PanelEvents.h"

namespace vellumo {

class FloatingPanel : public QFrame {
    Q_OBJECT
public:
    explicit FloatingPanel(QWidget* parent);

    void setEvents(PanelEvents* events) { events_ = events; }
    void setContent(QWidget* content);
    void setTitle(const QString& title);
    QString title() const;

    static constexpr int kBorder = 4;       // sizing border width
    static constexpr int kCaption = 20;     // caption bar height
    static constexpr int kMinimum = 10;     // minimum tracking size

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    enum Edge { None = 0, Left = 1, Right = 2, Top = 4, Bottom = 8, Move = 16 };
    int edgeAt(QPoint p) const;
    void layoutChildren();

    PanelEvents* events_ = nullptr;
    QWidget* content_ = nullptr;
    QLabel* title_;
    QToolButton* close_;
    int dragEdge_ = None;
    QPoint dragStartCursor_;
    QRect dragStartGeometry_;
};

}  // namespace vellumo
