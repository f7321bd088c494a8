#pragma once
// Sees every key press of the program before any widget does, as the
// application's key pre-translation: a key the logic uses goes no further.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "app/KeyDispatch.h"

namespace vellumo {

class KeyFilter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(const KeyInput&, FocusPlace)>;
    KeyFilter(QWidget* viewer, Handler handler) : viewer_(viewer), handler_(std::move(handler)) {}
    // The widget whose descendants count as the Navigator.
    void setNavigator(QWidget* navigator) { navigator_ = navigator; }

    // Where the keyboard focus is, in the logic's terms.
    FocusPlace focusPlace() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> viewer_;
    QPointer<QWidget> navigator_;
    Handler handler_;
    const QEvent* lastEvent_ = nullptr;
    QPointer<QObject> lastReceiver_;
};

}  // namespace vellumo
