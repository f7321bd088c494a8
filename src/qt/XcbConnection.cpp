#include "qt/XcbConnection.h"

#include <QGuiApplication>

namespace vellumo {

xcb_connection_t* QtXcbConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    return connection && !xcb_connection_has_error(connection) ? connection : nullptr;
}

}  // namespace vellumo
