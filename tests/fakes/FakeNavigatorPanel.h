#pragma once
// The Navigator's panel as the logic sees it: records what was asked of it and
// lets a test act as the user on its list.
#include <functional>
#include <optional>

#include "archive/NavigatorList.h"
#include "archive/NavigatorPanel.h"
#include "fakes/FakeWindowHost.h"

namespace vellumo {

struct FakeNavigatorPanel : NavigatorPanel {
    FakeWindowHost window;
    NavigatorList* list = nullptr;
    NavigatorListEvents* listEvents = nullptr;
    PanelEvents* panelEvents = nullptr;
    bool focused = false;
    Point topLeft{-3, 25};
    std::optional<ColorRef> background, text;
    int colorCalls = 0;
    int repaints = 0;
    ThumbnailViewSpec thumbnailView;  // the last one set
    int thumbnailViewChanges = 0;
    double ratio = 1.0;  // the screen's pixels per pixel of the list

    WindowHost& host() override { return window; }
    void bind(NavigatorList* l, NavigatorListEvents* le, PanelEvents* pe) override {
        list = l;
        listEvents = le;
        panelEvents = pe;
    }
    void focusList() override { focused = true; }
    bool listHasFocus() const override { return focused; }
    Point listTopLeft() const override { return topLeft; }
    void setListColors(std::optional<ColorRef> b, std::optional<ColorRef> t) override {
        background = b;
        text = t;
        ++colorCalls;
    }
    void repaintList() override { ++repaints; }
    std::function<void()> onStartupOver;
    void startupOver() override {
        if (onStartupOver) onStartupOver();
    }
    double devicePixelRatio() const override { return ratio; }
    void setThumbnailView(const ThumbnailViewSpec& spec) override {
        thumbnailView = spec;
        ++thumbnailViewChanges;
    }

    // The user moves the selection with the keyboard or the mouse, as the
    // list control does it: it shows the row, then reports it.
    void userSelects(int row) {
        list->setSelectionFromUser(row);
        listEvents->listSelectionChangedByUser(row);
    }
};

}  // namespace vellumo
