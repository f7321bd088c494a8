#pragma once
// Services of the desktop that are not tied to one window.
#include <string>
#include <vector>

#include "platform/Geometry.h"

namespace vellumo {

enum class BeepKind { Default, Exclamation };

enum class MessageBoxKind {
    Information,  // one OK button
    Error,        // one OK button, error icon
    YesNo,        // question, No is the default button
};

enum class MessageBoxResult { Ok, Yes, No };

class Desktop {
public:
    virtual ~Desktop() = default;

    // The primary screen, (0, 0, width, height).
    virtual Rect screenRect() const = 0;
    virtual void beep(BeepKind kind) = 0;
    // Whether a key (virtual-key code) is held down right now.
    virtual bool isKeyDown(int virtualKey) const = 0;
    virtual MessageBoxResult messageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) = 0;
    // Starts a program with its arguments (no shell). Returns false when it
    // could not be started.
    virtual bool startProcess(const std::vector<std::string>& argv) = 0;
    // Opens a document or folder with the desktop's opener.
    virtual bool shellOpen(const std::string& path) = 0;
    virtual void setClipboardText(const std::string& utf8) = 0;
    virtual void setScreenSaverInhibited(bool inhibited) = 0;
};

}  // namespace vellumo
