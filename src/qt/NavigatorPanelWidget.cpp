#include "qt/NavigatorPanelWidget.h"

#include <QMouseEvent>
#include <QTimer>

#include "qt/DevicePixels.h"
#include "qt/NavigatorIcons.h"

namespace vellumo {

// The panel as a window: its caption is the panel's own caption bar, and a
// panel that is shown floats above everything else in the viewer.
class NavigatorPanelWidget::PanelHost : public QtWindowHost {
public:
    explicit PanelHost(FloatingPanel& panel) : QtWindowHost(panel, false), panel_(panel) {}
    void setTitle(const std::string& utf8) override {
        panel_.setTitle(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    }
    void setVisible(bool visible) override {
        QtWindowHost::setVisible(visible);
        if (visible) panel_.raise();
    }

private:
    FloatingPanel& panel_;
};

NavigatorPanelWidget::NavigatorPanelWidget(QWidget* viewer, const QString& iconStripPath) {
    iconStrip_ = LoadIconStrip(iconStripPath);
    panel_ = new FloatingPanel(viewer);
    panel_->setObjectName(QStringLiteral("NavigatorPanel"));
    list_ = new NavigatorListView(NavigatorIcons(16, iconStrip_, false), panel_);
    list_->setObjectName(QStringLiteral("NavigatorList"));
    panel_->setContent(list_);
    panel_->setFocusProxy(list_);
    panel_->installEventFilter(this);
    // Created hidden: the viewer shows it per the Navigator setting.
    panel_->hide();
    host_ = std::make_unique<PanelHost>(*panel_);
}

NavigatorPanelWidget::~NavigatorPanelWidget() {
    if (panel_) {
        panel_->removeEventFilter(this);
        panel_->setEvents(nullptr);
        list_->bind(nullptr, nullptr);
        delete panel_.data();
    }
}

void NavigatorPanelWidget::bind(NavigatorList* list, NavigatorListEvents* listEvents, PanelEvents* panelEvents) {
    if (!panel_) return;
    listEvents_ = listEvents;
    list_->bind(list, listEvents);
    panel_->setEvents(panelEvents);
}

void NavigatorPanelWidget::focusList() {
    if (!panel_) return;
    list_->setFocus(Qt::TabFocusReason);
}

bool NavigatorPanelWidget::listHasFocus() const { return panel_ && list_->hasFocus(); }

Point NavigatorPanelWidget::listTopLeft() const {
    if (!panel_) return {};
    return ViewerPointOf(*list_, QPoint(0, 0));
}

void NavigatorPanelWidget::setListColors(std::optional<ColorRef> background, std::optional<ColorRef> text) {
    if (panel_) list_->setColors(background, text);
}

void NavigatorPanelWidget::setThumbnailView(const ThumbnailViewSpec& spec) {
    if (panel_) list_->setThumbnailView(spec);
}

void NavigatorPanelWidget::repaintList() {
    if (panel_) list_->viewport()->update();
}

void NavigatorPanelWidget::applyThemedIcons() {
    if (!panel_) return;
    QList<QPixmap> themed = NavigatorIcons(16, iconStrip_);
    const QList<QPixmap> drawn = NavigatorIcons(16, iconStrip_, false);
    for (qsizetype i = 0; i < themed.size() && i < drawn.size(); ++i) {
        if (themed[i].toImage() != drawn[i].toImage()) {
            list_->setSmallIcons(std::move(themed));
            return;
        }
    }
}

double NavigatorPanelWidget::devicePixelRatio() const { return DeviceRatio(); }

void NavigatorPanelWidget::startupOver() {
    // Once the photo is on screen the theme's icons take the drawn ones'
    // place, a little later, so that the start-up commands posted just before
    // (a slideshow, a dialog, closing the program) and the user's first keys
    // go first.
    if (themedIconsAsked_) return;
    themedIconsAsked_ = true;
    QTimer::singleShot(100, this, [this] { applyThemedIcons(); });
}

bool NavigatorPanelWidget::eventFilter(QObject* watched, QEvent* event) {
    // Mouse moves over the caption bar and the border count as moves over
    // the Navigator too (the list reports its own).
    if (watched == panel_ && event->type() == QEvent::MouseMove && listEvents_) {
        auto* m = static_cast<QMouseEvent*>(event);
        listEvents_->listMouseMoved(ViewerPointOf(*panel_, m->position().toPoint()));
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vellumo
