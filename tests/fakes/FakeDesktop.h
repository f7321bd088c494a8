#pragma once
// Desktop services that record calls and answer message boxes from a script.
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace vellumo {

class FakeDesktop : public Desktop {
public:
    Rect screenRect() const override { return screen; }
    void beep(BeepKind kind) override { beeps.push_back(kind); }
    bool isKeyDown(int vk) const override { return keysDown.count(vk) != 0; }
    MessageBoxResult messageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) override {
        messages.push_back({text, caption, kind});
        if (answers.empty()) return kind == MessageBoxKind::YesNo ? MessageBoxResult::No : MessageBoxResult::Ok;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    bool startProcess(const std::vector<std::string>& argv) override {
        processes.push_back(argv);
        return startSucceeds;
    }
    bool shellOpen(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
    void setClipboardText(const std::string& t) override { clipboard = t; }
    void setScreenSaverInhibited(bool i) override {
        screenSaverInhibited = i;
        ++screenSaverCalls;
    }
    Point cursorPosition() const override { return cursor; }
    void moveCursor(Point p) override {
        cursor = p;
        cursorMoves.push_back(p);
    }
    int popupMenu(const std::vector<MenuItem>& items, Point at, MenuAlign align) override {
        menus.push_back({items, at, align});
        if (menuChoices.empty()) return 0;
        int c = menuChoices.front();
        menuChoices.pop_front();
        return c;
    }

    struct Message {
        std::string text, caption;
        MessageBoxKind kind;
    };
    struct Menu {
        std::vector<MenuItem> items;
        Point at;
        MenuAlign align;
    };
    std::vector<Menu> menus;
    std::deque<int> menuChoices;  // ids the user picks, in order (0: dismissed)
    Rect screen{0, 0, 1024, 768};
    std::vector<BeepKind> beeps;
    std::set<int> keysDown;
    std::vector<Message> messages;
    std::deque<MessageBoxResult> answers;
    std::vector<std::vector<std::string>> processes;
    bool startSucceeds = true;
    std::vector<std::string> opened;
    std::string clipboard;
    bool screenSaverInhibited = false;
    int screenSaverCalls = 0;
    Point cursor{10, 20};
    std::vector<Point> cursorMoves;
};

}  // namespace vellumo
