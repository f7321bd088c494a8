#pragma once
// The Navigator as the user sees it: a FloatingPanel inside the viewer window
// (a child widget, never a top-level window) holding the list view. It is the
// NavigatorPanel the NavigatorWindow logic drives.
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "archive/NavigatorPanel.h"
#include "qt/FloatingPanel.h"
#include "qt/NavigatorListView.h"
#include "qt/QtWindowHost.h"

namespace vellumo {

class NavigatorPanelWidget : public QObject, public NavigatorPanel {
    Q_OBJECT
public:
    // Owned by the caller (not by the viewer widget); it must outlive the
    // NavigatorWindow that drives it. viewer: the window the panel floats over. iconStripPath: the
    // optional ".ni" icon strip beside the program ("" or a missing file: none).
    explicit NavigatorPanelWidget(QWidget* viewer, const QString& iconStripPath = QString());
    ~NavigatorPanelWidget() override;

    FloatingPanel* panel() const { return panel_; }
    NavigatorListView* listView() const { return list_; }

    // NavigatorPanel
    WindowHost& host() override { return *host_; }
    void bind(NavigatorList* list, NavigatorListEvents* listEvents, PanelEvents* panelEvents) override;
    void focusList() override;
    bool listHasFocus() const override;
    Point listTopLeft() const override;
    void setListColors(std::optional<ColorRef> background, std::optional<ColorRef> text) override;
    void repaintList() override;
    void setThumbnailView(const ThumbnailViewSpec& spec) override;
    double devicePixelRatio() const override;
    void startupOver() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class PanelHost;
    // The icon theme is looked up once the start-up is over (it takes some
    // milliseconds the first photo should not wait for); until then the list
    // shows the drawn icons.
    void applyThemedIcons();
    bool themedIconsAsked_ = false;

    QPixmap iconStrip_;
    QPointer<FloatingPanel> panel_;
    NavigatorListView* list_ = nullptr;
    std::unique_ptr<WindowHost> host_;
    NavigatorListEvents* listEvents_ = nullptr;
};

}  // namespace vellumo
