#pragma once
// The frameless full-screen window of the viewer: turns Qt events into calls
// on the logic window and carries out its drawing and window requests.
#include <QWidget>

#include "platform/WindowEvents.h"
#include "platform/WindowHost.h"
#include "qt/BackingStorePages.h"
#include "qt/PreparedDisplayCopies.h"
#include "qt/QtCanvas.h"
#include "qt/QtWindowHost.h"

namespace vellumo {

class ViewerWidget : public QWidget {
    Q_OBJECT
public:
    explicit ViewerWidget(QWidget* parent = nullptr);

    void setEvents(WindowEvents* events) { events_ = events; }

    WindowHost& host() { return host_; }
    // Display copies of photos decoded ahead are made through this.
    PreparedDisplayCopies& preparedCopies() { return prepared_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;

private:
    WindowEvents* events_ = nullptr;
    PreparedDisplayCopies prepared_;
    DisplayCopyCache displayCopy_;
    int wheelRemainder_ = 0;
    int sideRemainder_ = 0;
    QtWindowHost host_{*this, true};
    BackingStorePages storePages_;
};


}  // namespace vellumo
