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
    std::string editor;  // $EDITOR
    // The Exec line of the desktop's text editor (the text/plain default's
    // desktop entry; empty when unknown or when it runs in a terminal).
    std::string desktopExec;
    static EditorEnvironment OfThisProcess();
};

// Text editors of the desktop looked for on PATH, in this order, when the
// configured program is not there (as the default "notepad.exe" is not) and
// the desktop names no text editor of its own.
const std::vector<std::string>& DesktopTextEditors();

// The configured program text names a program found on PATH.
bool ConfiguredEditorFound(std::string_view configured, const EditorEnvironment& env);

// The words of a desktop entry's Exec line for opening one file: the field
// codes of files and URLs (%f %F %u %U) become the file, the others go, "%%"
// is "%"; without a file code the file is added at the end.
std::vector<std::string> ExecArguments(std::string_view exec, const std::string& file);

// The argument list that opens `file` in an editor the viewer can follow:
// the configured program text split into words, when its program is found;
// else the desktop's text editor (desktopExec); else the first of the
// desktop text editors on PATH; else $VISUAL, or else $EDITOR, run in the
// desktop's terminal (x-terminal-emulator -e); else "xdg-open". An editor
// that would hand the file to an instance already running gets its option
// to wait for the file instead (gedit --wait, kate --block, ...) unless the
// words hold it. The file is always one argument, whole.
std::vector<std::string> EditorArguments(std::string_view configured, const std::string& file,
                                         const EditorEnvironment& env);

}  // namespace vellumo
