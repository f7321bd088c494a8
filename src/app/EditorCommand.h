#pragma once
// Which program edits a comment or settings file, as an argument list.
#include <string>
#include <string_view>
#include <vector>

namespace vellumo {

// What the choice depends on besides the configured text.
struct EditorEnvironment {
    std::string visual;  // $VISUAL
    std::string path;    // $PATH
    static EditorEnvironment OfThisProcess();
};

// Text editors of the desktop looked for on PATH, in this order, when the
// configured program is not there (as the default "notepad.exe" is not).
const std::vector<std::string>& DesktopTextEditors();

// The argument list that opens `file` in an editor the viewer can wait for:
// the configured program text split into words, when its program is found;
// else $VISUAL split into words, when its program is found; else the first
// desktop text editor on PATH; else "xdg-open". An editor that would hand
// the file to an instance already running gets its option to wait for the
// file instead (gedit --wait, kate --block, ...) unless the words hold it.
// The file is always the last argument, whole.
std::vector<std::string> EditorArguments(std::string_view configured, const std::string& file,
                                         const EditorEnvironment& env);

}  // namespace vellumo
