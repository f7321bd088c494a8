#include "qt/ScreenColourProfile.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <map>
#include <string>

#include "qt/XcbConnection.h"

namespace vellumo {

namespace {

// A profile is some kilobytes; a property beyond this is no profile.
constexpr std::uint32_t kLongestProfile = 16u << 20;

// The profiles read, by screen number (used on the user-interface thread only).
std::map<qsizetype, std::vector<std::uint8_t>>& Kept() {
    static auto* kept = new std::map<qsizetype, std::vector<std::uint8_t>>;
    return *kept;
}

std::vector<std::uint8_t> ReadProperty(xcb_connection_t* connection, qsizetype index) {
    const std::string name = index <= 0 ? "_ICC_PROFILE" : "_ICC_PROFILE_" + std::to_string(index);

    XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE) return {};
    const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!root) return {};
    XcbReply<xcb_get_property_reply_t> property(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, root->root, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, kLongestProfile / 4),
        nullptr));
    if (!property || property->format != 8 || property->bytes_after != 0) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(xcb_get_property_value(property.get()));
    const int length = xcb_get_property_value_length(property.get());
    if (!bytes || length <= 0) return {};
    return std::vector<std::uint8_t>(bytes, bytes + length);
}

}  // namespace

std::vector<std::uint8_t> ReadScreenColourProfile(const QWidget* window) {
    xcb_connection_t* connection = QtXcbConnection();
    if (!connection) return {};
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    const qsizetype index = screen ? std::max<qsizetype>(0, screens.indexOf(const_cast<QScreen*>(screen))) : 0;
    auto kept = Kept().find(index);
    if (kept == Kept().end()) kept = Kept().emplace(index, ReadProperty(connection, index)).first;
    return kept->second;
}

void ForgetScreenColourProfiles() { Kept().clear(); }

}  // namespace vellumo
