#pragma once
// The pages of a window's backing store, faulted in with one call before a
// paint first writes them. A fresh store for a full screen is 8 MB of
// shared memory; written a 4 KB fault at a time, the first paint after the
// window came up (or after a new screen size) took 36 ms of processor time
// for filling the background.
class QWidget;

namespace vellumo {

class BackingStorePages {
public:
    // At the start of a paint event of the top-level widget `window`: the
    // store's pages when it is one not seen before.
    void populate(QWidget& window);

private:
    const void* bits_ = nullptr;
    long long size_ = 0;
};

}  // namespace vellumo
