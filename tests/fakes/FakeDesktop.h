#pragma once
// Desktop services that record calls and answer message boxes from a script.
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace vellumo {

class FakeDesktop : public Desktop {
public:
    Rect screenRect() const override { return screen; }
    std::vector<std::uint8_t> screenColourProfile() const override { return screenProfile; }
    double devicePixelRatio() const override { return ratio; }
    void beep(BeepKind kind) override { beeps.push_back(kind); }
    bool isKeyDown(int vk) const override { return keysDown.count(vk) != 0; }
    MessageBoxResult messageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) override {
        messages.push_back({text, caption, kind});
        if (answers.empty()) {
            bool question = kind == MessageBoxKind::YesNo || kind == MessageBoxKind::YesNoInformation;
            return question ? MessageBoxResult::No : MessageBoxResult::Ok;
        }
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

    std::optional<std::string> chooseFromList(const ListChoice& choice) override {
        listChoices.push_back(choice);
        if (whileListChoiceOpen) whileListChoiceOpen();
        if (listAnswers.empty()) return std::nullopt;
        std::optional<int> row = listAnswers.front();
        listAnswers.pop_front();
        if (!row) return std::nullopt;
        int r = *row == kKeepSelection ? choice.selected : *row;
        if (r < 0 || r >= static_cast<int>(choice.items.size())) return std::string();
        return choice.items[static_cast<size_t>(r)];
    }
    // A started editor: ends when the test says so.
    struct Child : ChildProcess {
        std::shared_ptr<std::atomic<bool>> ended = std::make_shared<std::atomic<bool>>(false);
        std::shared_ptr<std::atomic<int>> status = std::make_shared<std::atomic<int>>(0);
        bool hasEnded() override { return ended->load(); }
        int exitStatus() const override { return status->load(); }
    };
    // The opener ends at once with openerStatus.
    std::unique_ptr<ChildProcess> startOpener(const std::string& path) override {
        opened.push_back(path);
        auto child = std::make_unique<Child>();
        child->status->store(openerStatus);
        child->ended->store(true);
        return child;
    }
    int openerStatus = 0;
    std::unique_ptr<ChildProcess> startChild(const std::vector<std::string>& argv) override {
        children.push_back(argv);
        if (!startSucceeds) return nullptr;
        auto child = std::make_unique<Child>();
        childEnded.push_back(child->ended);
        return child;
    }
    void endChild(size_t i) { childEnded.at(i)->store(true); }
    std::optional<std::string> chooseFontFace(const FontSpec&, const std::string& caption, const std::string&,
                                              const std::string&) override {
        chooserCaptions.push_back(caption);
        return chosenFontFace;
    }
    std::optional<ColorRef> chooseColour(ColorRef, const std::string& caption, const std::string&,
                                         const std::string&) override {
        chooserCaptions.push_back(caption);
        return chosenColour;
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
    std::vector<std::uint8_t> screenProfile;  // the screen's ICC profile; empty: sRGB
    double ratio = 1.0;                       // the screen's pixels per desktop pixel
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
    // List dialogs shown, and the answers: a row for OK on that row,
    // kKeepSelection for OK on the preselected row, -1 for OK with nothing
    // selected, nullopt for Cancel (also when no answer is left).
    static constexpr int kKeepSelection = -2;
    std::vector<ListChoice> listChoices;
    std::deque<std::optional<int>> listAnswers;
    std::function<void()> whileListChoiceOpen;  // what the user does while the dialog is open
    // The font and colour choosers: their captions, and what the user picks
    // (nothing: Cancel).
    std::vector<std::string> chooserCaptions;
    std::optional<std::string> chosenFontFace;
    std::optional<ColorRef> chosenColour;
    // Editors started (argument lists) and their end flags.
    std::vector<std::vector<std::string>> children;
    std::vector<std::shared_ptr<std::atomic<bool>>> childEnded;
};

}  // namespace vellumo
