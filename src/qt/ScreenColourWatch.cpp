#include "qt/ScreenColourWatch.h"

#include <string_view>

#include "qt/ScreenColourProfile.h"
#include "qt/XcbConnection.h"

namespace vellumo {

ScreenColourWatch::ScreenColourWatch(std::function<void()> changed) {
    settle_.setSingleShot(true);
    settle_.setInterval(100);
    QObject::connect(&settle_, &QTimer::timeout, std::move(changed));
    xcb_connection_t* connection = QtXcbConnection();
    if (!connection) return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) return;
    root_ = screen->root;
    // Property changes of the root window are asked for on top of what Qt
    // asks for already (the mask is per client: it must keep Qt's part).
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, root_), nullptr));
    if (!attributes) return;
    if (!(attributes->your_event_mask & XCB_EVENT_MASK_PROPERTY_CHANGE)) {
        const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection);
    }
}

bool ScreenColourWatch::isProfileAtom(std::uint32_t atom) {
    auto known = profileAtoms_.find(atom);
    if (known != profileAtoms_.end()) return known->second;
    bool profile = false;
    if (xcb_connection_t* connection = QtXcbConnection()) {
        XcbReply<xcb_get_atom_name_reply_t> name(
            xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, atom), nullptr));
        if (name) {
            const std::string_view text(xcb_get_atom_name_name(name.get()),
                                        static_cast<std::size_t>(xcb_get_atom_name_name_length(name.get())));
            profile = text == "_ICC_PROFILE" || text.starts_with("_ICC_PROFILE_");
        }
    }
    profileAtoms_.emplace(atom, profile);
    return profile;
}

bool ScreenColourWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (root_ == 0 || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (notify->window == root_ && isProfileAtom(notify->atom)) {
        ForgetScreenColourProfiles();
        settle_.start();
    }
    return false;
}

}  // namespace vellumo
