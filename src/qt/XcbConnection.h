#pragma once
// The X server connection Qt holds, and an owner of the replies of xcb,
// which the caller frees with free().
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace vellumo {

// Qt's connection to the X server; null without one (Wayland, offscreen)
// or once it has failed.
xcb_connection_t* QtXcbConnection();

struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename Reply>
using XcbReply = std::unique_ptr<Reply, XcbFree>;

}  // namespace vellumo
