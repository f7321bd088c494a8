#pragma once
// Carries out a logic window's requests on a QWidget.
#include <QRegion>
#include <QWidget>

#include "platform/WindowHost.h"

namespace vellumo {

class QtWindowHost : public WindowHost {
public:
    // fullScreen: showing means showing full screen.
    QtWindowHost(QWidget& widget, bool fullScreen) : widget_(widget), fullScreen_(fullScreen) {}

    void invalidate(const Rect& r) override;
    void invalidateAll() override;
    void update() override;
    void setVisible(bool visible) override;
    bool isVisible() const override;
    bool isExposed() const override;
    void move(const Rect& r) override;
    Rect geometry() const override;
    void setTitle(const std::string& utf8) override;
    void setFocus() override;
    bool hasFocus() const override;
    void setCursor(CursorId cursor) override;
    void setIcon(int iconNumber) override;
    void captureMouse(bool capture) override;
    void close() override;

private:
    QWidget& widget_;
    bool fullScreen_;
    // What was invalidated since the last update: update() paints only this,
    // so a transition effect's step repaints its own rectangles and no more.
    QRegion pending_;
    bool pendingAll_ = false;
};

}  // namespace vellumo
