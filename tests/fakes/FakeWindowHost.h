#pragma once
// A window that records what the logic asked of it.
#include <functional>
#include <string>
#include <vector>

#include "platform/WindowHost.h"

namespace vellumo {

class FakeWindowHost : public WindowHost {
public:
    void invalidate(const Rect& r) override { invalidated.push_back(r); }
    void invalidateAll() override { ++invalidateAllCount; }
    void update() override {
        ++updateCount;
        if (onUpdate) onUpdate();
    }
    void setVisible(bool v) override { visible = v; }
    bool isVisible() const override { return visible; }
    bool isExposed() const override { return visible && exposed; }
    void move(const Rect& r) override { rect = r; }
    Rect geometry() const override { return rect; }
    void setTitle(const std::string& t) override { title = t; }
    void setFocus() override { focused = true; ++focusCount; }
    bool hasFocus() const override { return focused; }
    void setCursor(CursorId c) override { cursor = c; }
    void setIcon(int n) override { icon = n; }
    void captureMouse(bool c) override { captured = c; }
    void close() override { ++closeCount; }

    std::vector<Rect> invalidated;
    int invalidateAllCount = 0;
    int updateCount = 0;
    bool visible = false;
    bool exposed = true;  // once visible
    Rect rect;
    std::string title;
    bool focused = false;
    int focusCount = 0;
    CursorId cursor;
    int icon = 0;
    bool captured = false;
    int closeCount = 0;
    // Called on every update(), where a real window paints at once.
    std::function<void()> onUpdate;
};

}  // namespace vellumo
