#pragma once
// Tells when the desktop's colour manager publishes another profile for a
// screen: a change of one of the root window's _ICC_PROFILE properties
// (X11 only; elsewhere it never fires). Changes that come in a burst are
// told once, 100 ms after the last.
#include <QAbstractNativeEventFilter>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <unordered_map>

namespace vellumo {

class ScreenColourWatch : public QAbstractNativeEventFilter {
public:
    explicit ScreenColourWatch(std::function<void()> changed);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool isProfileAtom(std::uint32_t atom);

    std::uint32_t root_ = 0;
    // Whether each atom seen on the root window names a screen's profile.
    std::unordered_map<std::uint32_t, bool> profileAtoms_;
    QTimer settle_;
};

}  // namespace vellumo
