#pragma once
// Desktop services through Qt: screen, beep, message boxes, processes,
// the desktop's opener, clipboard and the screen saver over D-Bus.
#include <QWidget>
#include <cstdint>

#include "platform/Desktop.h"

namespace vellumo {

class QtDesktop : public Desktop {
public:
    // Message boxes are modal to the parent window.
    void setParentWindow(QWidget* parent) { parent_ = parent; }
    void setCaptionIcon() {}

    Rect screenRect() const override;
    std::vector<std::uint8_t> screenColourProfile() const override;
    double devicePixelRatio() const override;
    void beep(BeepKind kind) override;
    bool isKeyDown(int virtualKey) const override;
    MessageBoxResult messageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) override;
    bool startProcess(const std::vector<std::string>& argv) override;
    bool shellOpen(const std::string& path) override;
    void setClipboardText(const std::string& utf8) override;
    void setScreenSaverInhibited(bool inhibited) override;
    Point cursorPosition() const override;
    void moveCursor(Point p) override;
    int popupMenu(const std::vector<MenuItem>& items, Point at, MenuAlign align) override;
    std::optional<std::string> chooseFromList(const ListChoice& choice) override;
    std::unique_ptr<ChildProcess> startChild(const std::vector<std::string>& argv) override;
    std::optional<std::string> chooseFontFace(const FontSpec& initial, const std::string& caption,
                                              const std::string& okText, const std::string& cancelText) override;
    std::optional<ColorRef> chooseColour(ColorRef initial, const std::string& caption, const std::string& okText,
                                         const std::string& cancelText) override;
    Size measureText(const std::string& utf8, int width, const FontSpec& font, unsigned flags) override;

private:
    QWidget* parent_ = nullptr;
    std::uint32_t inhibitCookie_ = 0;
    bool inhibited_ = false;
};

}  // namespace vellumo
