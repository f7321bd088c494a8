#pragma once
// The desktop's own text editor: the default application of text/plain as
// `xdg-mime query default text/plain` names it, read from its desktop entry.
// Asking runs a program, so it is done off the user-interface thread: the
// lookup is a worker that posts its answer back.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/EventQueue.h"

namespace vellumo {

// Where desktop entries are looked for: $XDG_DATA_HOME (else
// ~/.local/share), then $XDG_DATA_DIRS (else /usr/local/share:/usr/share),
// each with "applications" below it.
std::vector<std::string> ApplicationFolders();

// The Exec line of a desktop entry (its [Desktop Entry] group), or nothing
// when the entry is missing, hidden, has no Exec line, or runs in a terminal
// (Terminal=true). The id may stand for a file in a subfolder ("kde-kate.desktop"
// for kde/kate.desktop).
std::optional<std::string> TextEditorExec(const std::string& desktopId, const std::vector<std::string>& folders);

// Asks xdg-mime (a few seconds at most) and reads the entry: the Exec line
// of the desktop's text editor, or "" when there is none to use. Blocks.
std::string FindDesktopTextEditorExec();

class DesktopEditorLookup {
public:
    // command is posted to the target with the lookup's number when the answer is in.
    DesktopEditorLookup(EventQueue& queue, CommandTarget* target, int command);
    // Nothing is posted afterwards; a lookup still running ends by itself.
    ~DesktopEditorLookup();
    DesktopEditorLookup(const DesktopEditorLookup&) = delete;
    DesktopEditorLookup& operator=(const DesktopEditorLookup&) = delete;

    // Starts a lookup with `find` (FindDesktopTextEditorExec, or a stand-in);
    // a newer one makes an older one's answer worthless. Returns its number.
    std::intptr_t start(std::function<std::string()> find);
    // The answer of lookup `number`, once; nothing for an older or unknown number.
    std::optional<std::string> take(std::intptr_t number);
    void stop();

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace vellumo
